#include "transfer_supervisor.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

#include "file_mover.h"
#include "free_space.h"
#include "reason_texts.h"
#include "settings_check.h"
#include "string_table.h"

namespace dorvex::panel {

namespace {

constexpr int kInitialScanIntervalMs = 30000;
constexpr int kInitialStatusIntervalMs = 500;

// Marks the supervisor busy for the length of one operation. A message box shown from a tick
// runs a nested event loop; the timers' ticks that arrive meanwhile must not start over.
class BusyScope {
  public:
    explicit BusyScope(bool& busy) : busy_(busy) { busy_ = true; }
    ~BusyScope() { busy_ = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& busy_;
};

constexpr int kScalePort = 1120;

struct LinkTarget {
    QString link;
    QString address;
    QString tried;  // host and port, as a reason names them
};

// "host:port" in the address field selects another port than the scale's 1120 (the library's
// "IPC:port"), so that a simulator can run beside others; a plain host keeps "IPC".
LinkTarget LinkTargetOf(const QString& addressText) {
    static const QRegularExpression withPort(QStringLiteral("^([^:]+):(\\d{1,5})$"));
    const QRegularExpressionMatch match = withPort.match(addressText.trimmed());
    if (match.hasMatch()) {
        return {QStringLiteral("IPC:") + match.captured(2), match.captured(1),
                match.captured(1) + QLatin1Char(':') + match.captured(2)};
    }
    return {QStringLiteral("IPC"), addressText,
            addressText + QLatin1Char(':') + QString::number(kScalePort)};
}

QString JoinReasons(const QString& first, const QString& second) {
    return first.isEmpty() ? second : first + QStringLiteral("; ") + second;
}

}  // namespace

TransferSupervisor::TransferSupervisor(LibraryLoader loader, Prompter& prompter,
                                       SettingsSource settings, QObject* parent)
    : QObject(parent),
      loader_(std::move(loader)),
      prompter_(prompter),
      settings_(std::move(settings)),
      scanTimer_(this),
      statusTimer_(this) {
    scanTimer_.setObjectName(QStringLiteral("Timer_Scrutation"));
    statusTimer_.setObjectName(QStringLiteral("Timer_Status"));
    scanTimer_.setInterval(kInitialScanIntervalMs);
    statusTimer_.setInterval(kInitialStatusIntervalMs);
    connect(&scanTimer_, &QTimer::timeout, this, &TransferSupervisor::ScanTick);
    connect(&statusTimer_, &QTimer::timeout, this, &TransferSupervisor::StatusTick);
}

TransferSupervisor::~TransferSupervisor() {
    ++pollGeneration_;
    JoinPoll();
    if (autoModeOn_ && library_) {
        library_->CloseDorvex();
    }
}

void TransferSupervisor::SetLibraryErrorSink(DorvexLibrary::ErrorSink sink) {
    errorSink_ = std::move(sink);
    if (library_) {
        library_->SetErrorSink(errorSink_);
    }
}

bool TransferSupervisor::SetMode() {
    if (busy_) {
        return false;
    }
    BusyScope scope(busy_);
    return autoModeOn_ ? StopMode(true) : StartMode();
}

bool TransferSupervisor::StopNow() {
    if (busy_ || !autoModeOn_) {
        return false;
    }
    BusyScope scope(busy_);
    return StopMode(false);
}

std::optional<TextId> TransferSupervisor::FailedCheck(const PanelSettings& s) const {
    const QList<MissingSetting> missing = SettingsCheck::Missing(s);
    if (missing.isEmpty()) {
        return std::nullopt;
    }
    return missing.first().message;
}

bool TransferSupervisor::BindLibrary() {
    if (library_) {
        return true;
    }
    QString error;
    library_ = loader_(error);
    if (!library_) {
        prompter_.ShowMessage(StringTable::Text(languageCode_, TextId::LibraryUnusable) + error);
        return false;
    }
    if (errorSink_) {
        library_->SetErrorSink(errorSink_);
    }
    return true;
}

bool TransferSupervisor::StartMode() {
    const PanelSettings settings = settings_();
    if (const auto message = FailedCheck(settings)) {
        ShowMessage(*message);
        return false;
    }
    if (!BindLibrary()) {
        return false;
    }
    autoModeOn_ = true;
    emit ModeChanged(PanelMode::Opening);
    QString failure;
    if (!OpenLink(settings, failure)) {
        scanTimer_.stop();
        library_->CloseDorvex();
        ShowMessage(TextId::PortOpenFailed);
        cachedStatus_ = 0;
        autoModeOn_ = false;
        emit ModeChanged(PanelMode::Off);
        emit Notice(failure);
        return false;
    }
    HandSettingsOver(settings);
    scanner_.Reset();
    // The first scan comes one interval later; what lies there now counts as seen once.
    scanner_.Observe(directories_.input);
    scanTimer_.setInterval(settings.ScanIntervalMs());
    scanTimer_.start();
    statusTimer_.setInterval(std::clamp(settings.statusIntervalMs,
                                        PanelSettings::kStatusIntervalMin,
                                        PanelSettings::kStatusIntervalMax));
    emit ModeChanged(PanelMode::On);
    return true;
}

bool TransferSupervisor::OpenLink(const PanelSettings& settings, QString& failure) {
    library_->SetConnectionTimeout(settings.ConnectionTimeoutMs());
    library_->SetDisplayErrorMode(settings.showErrors ? 1 : 0);
    if (replyTimeoutMs_ && library_->SetReplyTimeout(*replyTimeoutMs_, *replyTimeoutMs_) != 1) {
        emit Notice(StringTable::Text(languageCode_, TextId::ReplyTimeoutNotSettable));
    }
    const LinkTarget target = LinkTargetOf(settings.ipAddress);
    if (library_->OpenDorvex(target.link, settings.DeviceText(), target.address, 0,
                             settings.unicode.value_or(false) ? 1 : 0,
                             QStringLiteral("table.csv")) != -1) {
        return true;
    }
    // Asked at once: the reason belongs to this thread's last failed call.
    failure = ReasonTexts::OpenFailed(languageCode_, library_->GetLastErrorText(), target.tried);
    return false;
}

void TransferSupervisor::HandSettingsOver(const PanelSettings& settings) {
    // The library keeps these directories for the whole run; scanning and moving use the same
    // ones even if the window's lists change meanwhile.
    directories_ = {settings.inputDir, settings.outputDir, settings.errorDir};
    library_->SetInputDir(directories_.input);
    library_->SetOutputDir(directories_.output);
    library_->SetErrorDir(directories_.error);
    library_->SetDestination(settings.DeviceText());
    library_->SetCRChar(settings.crChar);
}

bool TransferSupervisor::StopMode(bool ask) {
    if (ask && (transferRunning_ || IsTransferStatus(cachedStatus_)) &&
        !prompter_.AskYesNo(StringTable::Text(languageCode_, TextId::QuitBeforeTransferEnds))) {
        return false;
    }
    statusTimer_.stop();
    scanTimer_.stop();
    ++pollGeneration_;
    JoinPoll();
    if (library_->CloseDorvex() == -1) {
        ShowMessage(TextId::PortCloseFailed);
    }
    autoModeOn_ = false;
    cachedStatus_ = 0;
    transferRunning_ = false;
    scanner_.Reset();
    emit CurrentFileShown(QString());
    emit ReplyWaitShown(0, 0);
    emit ModeChanged(PanelMode::Off);
    emit StatusShown(0);
    return true;
}

TransferSupervisor::Poll TransferSupervisor::PollLibrary(DorvexLibrary& library) {
    Poll poll;
    poll.status = library.GetCommStatus();
    poll.hasProgress = library.GetTransferProgress(poll.sent, poll.expected);
    if (!library.GetReplyWait(poll.waited, poll.limit)) {
        poll.waited = 0;
        poll.limit = 0;
    }
    return poll;
}

void TransferSupervisor::ShowPoll(const Poll& poll) {
    emit StatusShown(poll.status);
    if (poll.hasProgress) {
        emit ProgressShown(poll.sent, poll.expected);
    }
    emit ReplyWaitShown(poll.waited, poll.limit);
}

int TransferSupervisor::GetStatus() {
    if (!library_) {
        return cachedStatus_;
    }
    const Poll poll = PollLibrary(*library_);
    cachedStatus_ = poll.status;
    ShowPoll(poll);
    return cachedStatus_;
}

void TransferSupervisor::ScanTick() {
    if (busy_ || !autoModeOn_ || transferRunning_ || IsTransferStatus(cachedStatus_)) {
        return;
    }
    BusyScope scope(busy_);
    for (const QString& name : scanner_.Candidates(directories_.input)) {
        const auto kind = RequestKindOf(name);
        if (!kind) {
            continue;
        }
        currentFile_ = name;
        if (HandOver(*kind, name) == 1) {
            transferRunning_ = true;
            statusTimer_.start();
            return;
        }
        // Asked at once: the reason belongs to this thread's last failed call.
        RefuseFile(name, ReasonTexts::Refused(languageCode_, name, library_->GetLastErrorText()));
    }
}

int TransferSupervisor::HandOver(RequestKind kind, const QString& name) {
    emit StatusShown(1);
    int result = -1;
    switch (kind) {
        case RequestKind::Write:
            result = library_->SendWriteFile(name);
            break;
        case RequestKind::Read:
            result = library_->SendReadFile(name);
            break;
        case RequestKind::Delete:
            result = library_->SendDeleteFile(name);
            break;
    }
    emit CurrentFileShown(name);
    return result;
}

void TransferSupervisor::RefuseFile(const QString& name, const QString& reason) {
    // Anything but 1 means the transfer did not start: the file is not the library's.
    emit CurrentFileShown(QString());
    SettleFile(name, 5, reason);
    GetStatus();
}

void TransferSupervisor::StatusTick() {
    if (busy_ || !transferRunning_) {
        return;
    }
    if (backgroundPolling_) {
        StartPoll();
        return;
    }
    BusyScope scope(busy_);
    OnStatus(GetStatus());
}

void TransferSupervisor::OnStatus(int status) {
    if (IsTransferStatus(status) || status == 0) {
        return;
    }
    // 4, 5, or a value the library should never give: the transfer is over. Anything but 4
    // counts as a failure, so the file goes to the error directory.
    statusTimer_.stop();
    transferRunning_ = false;
    emit CurrentFileShown(QString());
    SettleFile(currentFile_, status, status == 4 ? QString() : FailureReason(currentFile_, status));
}

QString TransferSupervisor::FailureReason(const QString& name, int status) {
    if (status != 5) {
        return ReasonTexts::UnknownStatus(languageCode_, status);
    }
    // A transfer that ended with 5 has written its result file first, when it could.
    const QString result = ReasonTexts::ResultFileName(name, true);
    const bool resultMissing =
        !result.isEmpty() && !QFileInfo::exists(QDir(directories_.error).filePath(result));
    return ReasonTexts::Failed(languageCode_, library_->GetTransferErrorText(),
                               resultMissing ? result : QString());
}

void TransferSupervisor::SettleFile(const QString& name, int status, const QString& reason) {
    const QString& input = directories_.input;
    FileFate fate = FileFate::LeftInInput;
    QString why;
    QString outcome = reason;
    if (status == 4 && settings_().deleteInputFile) {
        if (FileMover::Remove(input, name, &why)) {
            fate = FileFate::Deleted;
        } else {
            ShowFileMessage(TextId::TransferredFileNotRemoved, name, TextId::FromInputDirectory);
            outcome = ReasonTexts::NotRemoved(languageCode_, why);
        }
    } else if (status == 4) {
        if (FileMover::MoveInto(input, name, directories_.output, &why)) {
            fate = FileFate::MovedToOutput;
        } else {
            ShowFileMessage(TextId::TransferredFileNotMoved, name, TextId::ToOutputDirectory);
            outcome = ReasonTexts::NotMoved(languageCode_, why,
                                            FreeSpace::AvailableMegabytes(directories_.output));
        }
    } else if (FileMover::MoveInto(input, name, directories_.error, &why)) {
        fate = FileFate::MovedToError;
    } else {
        ShowFileMessage(TextId::FaultyFileNotMoved, name, TextId::ToErrorDirectory);
        outcome = JoinReasons(
            reason, ReasonTexts::NotMoved(languageCode_, why,
                                          FreeSpace::AvailableMegabytes(directories_.error)));
    }
    if (fate == FileFate::LeftInInput) {
        scanner_.SetAside(input, name);
    }
    emit FileSettled(name, fate, outcome);
}

void TransferSupervisor::StartPoll() {
    if (pollThread_.joinable()) {
        return;
    }
    const unsigned generation = pollGeneration_;
    DorvexLibrary* library = library_.get();
    pollThread_ = std::thread([this, library, generation] {
        const Poll poll = PollLibrary(*library);
        QMetaObject::invokeMethod(
            this, [this, generation, poll] { OnPolled(generation, poll); }, Qt::QueuedConnection);
    });
}

void TransferSupervisor::OnPolled(unsigned generation, const Poll& poll) {
    if (generation != pollGeneration_) {
        return;  // the mode stopped meanwhile; that thread has already been joined
    }
    JoinPoll();
    if (!transferRunning_ || busy_) {
        return;
    }
    BusyScope scope(busy_);
    cachedStatus_ = poll.status;
    ShowPoll(poll);
    OnStatus(poll.status);
}

void TransferSupervisor::JoinPoll() {
    if (pollThread_.joinable()) {
        pollThread_.join();
    }
}

void TransferSupervisor::ShowMessage(TextId n) {
    prompter_.ShowMessage(StringTable::Text(languageCode_, n));
}

void TransferSupervisor::ShowFileMessage(TextId first, const QString& name, TextId last) {
    prompter_.ShowMessage(StringTable::Text(languageCode_, first) + name +
                          StringTable::Text(languageCode_, last));
}

}  // namespace dorvex::panel
