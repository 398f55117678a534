#include "headless_runner.h"

#include <QCoreApplication>

#include "config_file.h"
#include "mounted_volumes.h"
#include "reason_texts.h"
#include "termination_signals.h"

namespace dorvex::panel {

namespace {

QString FateText(FileFate fate) {
    switch (fate) {
        case FileFate::Deleted:
            return QStringLiteral("removed from the input directory");
        case FileFate::MovedToOutput:
            return QStringLiteral("moved to the output directory");
        case FileFate::MovedToError:
            return QStringLiteral("moved to the error directory");
        case FileFate::LeftInInput:
            return QStringLiteral("left in the input directory");
    }
    return {};
}

}  // namespace

HeadlessRunner::HeadlessRunner(const QString& configPath, const QString& programDir,
                               LibraryLoader loader, std::FILE* out, const QLocale& systemLocale)
    : console_(out), supervisor_(std::move(loader), console_, [this] { return settings_; }) {
    LoadSettings(configPath, programDir, systemLocale);
    supervisor_.SetLanguage(settings_.languageCode);
    supervisor_.SetLibraryErrorSink([this](const QString& title, const QString& text) {
        console_.WriteLine(title + QStringLiteral(": ") + text);
    });
    Report();
}

void HeadlessRunner::LoadSettings(const QString& configPath, const QString& programDir,
                                  const QLocale& systemLocale) {
    const auto lines = ConfigFile::Read(configPath);
    if (!lines) {
        // Nobody chose a language: the one the system speaks, where the table has it.
        settings_.languageCode = StringTable::LanguageOf(systemLocale);
        console_.WriteLine(QStringLiteral("no settings file ") + configPath);
        return;
    }
    ConfigFile::Apply(*lines, MountedVolumes(), programDir, settings_);
    console_.WriteLine(QStringLiteral("settings from ") + configPath);
}

QString HeadlessRunner::Text(TextId id) const {
    return StringTable::Text(settings_.languageCode, id);
}

void HeadlessRunner::Report() {
    connect(&supervisor_, &TransferSupervisor::ModeChanged, this, [this](PanelMode mode) {
        console_.WriteLine(
            QStringLiteral("mode: ") +
            Text(mode == PanelMode::Off ? TextId::NoPulling : TextId::PullingRunning) +
            (mode == PanelMode::Opening ? QStringLiteral(" (opening)") : QString()));
    });
    connect(&supervisor_, &TransferSupervisor::StatusShown, this, [this](int status) {
        const QString text = status >= 0 && status <= 5
                                 ? Text(StatusTextId(status))
                                 : Text(TextId::UnknownTransferStatus) + QString::number(status);
        console_.WriteLine(QStringLiteral("status: ") + text);
    });
    connect(&supervisor_, &TransferSupervisor::CurrentFileShown, this, [this](const QString& name) {
        if (!name.isEmpty()) {
            console_.WriteLine(Text(TextId::ProcessingFile) + name);
        }
    });
    connect(&supervisor_, &TransferSupervisor::FileSettled, this,
            [this](const QString& name, FileFate fate, const QString& reason) {
                console_.WriteLine(QStringLiteral("file ") + name + QStringLiteral(": ") +
                                   FateText(fate) +
                                   (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
            });
    connect(&supervisor_, &TransferSupervisor::Notice, this,
            [this](const QString& text) { console_.WriteLine(text); });
    connect(&supervisor_, &TransferSupervisor::ReplyWaitShown, this, &HeadlessRunner::ReportWait);
}

void HeadlessRunner::ReportWait(int waitedMilliseconds, int limitMilliseconds) {
    if (const auto waited = waitLog_.Observe(limitMilliseconds > 0, waitedMilliseconds)) {
        console_.WriteLine(ReasonTexts::ReplyWaitLogLine(*waited, limitMilliseconds));
    }
}

int HeadlessRunner::Run() {
    TerminationSignals signals_;
    connect(&signals_, &TerminationSignals::Received, this, [this](int number) {
        console_.WriteLine(QStringLiteral("signal ") + QString::number(number) +
                           QStringLiteral(": stopping"));
        Stop();
    });
    if (!supervisor_.SetMode()) {
        return 1;
    }
    return QCoreApplication::exec();
}

void HeadlessRunner::Stop() {
    if (supervisor_.AutoModeOn()) {
        supervisor_.SetMode();
    }
    QCoreApplication::exit(0);
}

}  // namespace dorvex::panel
