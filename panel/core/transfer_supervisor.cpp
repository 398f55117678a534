#include "transfer_supervisor.h"

#include <QRegularExpression>

#include <algorithm>

#include "file_mover.h"
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

struct LinkTarget {
    QString link;
    QString address;
};

// "host:port" in the address field selects another port than the scale's 1120 (the library's
// "IPC:port"), so that a simulator can run beside others; a plain host keeps "IPC".
LinkTarget LinkTargetOf(const QString& addressText) {
    static const QRegularExpression withPort(QStringLiteral("^([^:]+):(\\d{1,5})$"));
    const QRegularExpressionMatch match = withPort.match(addressText.trimmed());
    if (match.hasMatch()) {
        return {QStringLiteral("IPC:") + match.captured(2), match.captured(1)};
    }
    return {QStringLiteral("IPC"), addressText};
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
    return autoModeOn_ ? StopMode() : StartMode();
}

std::optional<int> TransferSupervisor::FailedCheck(const PanelSettings& s) const {
    if (s.DeviceText().isEmpty()) {
        return 201;
    }
    if (s.ipAddress.isEmpty()) {
        return 202;
    }
    if (s.scanUnitIndex != 0 && s.scanUnitIndex != 1) {
        return 206;
    }
    if (s.outputDir == s.inputDir || s.inputDir == s.errorDir || s.outputDir == s.errorDir) {
        return 207;
    }
    if (s.timeoutIndex < 0 || s.timeoutIndex >= PanelSettings::kTimeoutCount) {
        return 210;
    }
    return std::nullopt;
}

bool TransferSupervisor::BindLibrary() {
    if (library_) {
        return true;
    }
    QString error;
    library_ = loader_(error);
    if (!library_) {
        prompter_.ShowMessage(StringTable::Text(languageCode_, 215) + error);
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
    if (!OpenLink(settings)) {
        scanTimer_.stop();
        library_->CloseDorvex();
        ShowMessage(203);
        cachedStatus_ = 0;
        autoModeOn_ = false;
        emit ModeChanged(PanelMode::Off);
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

bool TransferSupervisor::OpenLink(const PanelSettings& settings) {
    library_->SetConnectionTimeout(settings.ConnectionTimeoutMs());
    library_->SetDisplayErrorMode(settings.showErrors ? 1 : 0);
    const LinkTarget target = LinkTargetOf(settings.ipAddress);
    return library_->OpenDorvex(target.link, settings.DeviceText(), target.address, 0,
                                settings.unicode.value_or(false) ? 1 : 0,
                                QStringLiteral("table.csv")) != -1;
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

bool TransferSupervisor::StopMode() {
    if ((transferRunning_ || IsTransferStatus(cachedStatus_)) &&
        !prompter_.AskYesNo(StringTable::Text(languageCode_, 205))) {
        return false;
    }
    statusTimer_.stop();
    scanTimer_.stop();
    ++pollGeneration_;
    JoinPoll();
    if (library_->CloseDorvex() == -1) {
        ShowMessage(204);
    }
    autoModeOn_ = false;
    cachedStatus_ = 0;
    transferRunning_ = false;
    scanner_.Reset();
    emit CurrentFileShown(QString());
    emit ModeChanged(PanelMode::Off);
    emit StatusShown(0);
    return true;
}

int TransferSupervisor::GetStatus() {
    if (!library_) {
        return cachedStatus_;
    }
    cachedStatus_ = library_->GetCommStatus();
    emit StatusShown(cachedStatus_);
    int sent = 0;
    int expected = 0;
    if (library_->GetTransferProgress(sent, expected)) {
        emit ProgressShown(sent, expected);
    }
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
        RefuseFile(name);
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

void TransferSupervisor::RefuseFile(const QString& name) {
    // Anything but 1 means the transfer did not start: the file is not the library's.
    emit CurrentFileShown(QString());
    SettleFile(name, 5);
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
    SettleFile(currentFile_, status);
}

void TransferSupervisor::SettleFile(const QString& name, int status) {
    const QString& input = directories_.input;
    FileFate fate = FileFate::LeftInInput;
    if (status == 4 && settings_().deleteInputFile) {
        if (FileMover::Remove(input, name)) {
            fate = FileFate::Deleted;
        } else {
            ShowFileMessage(213, name, 214);
        }
    } else if (status == 4) {
        if (FileMover::MoveInto(input, name, directories_.output)) {
            fate = FileFate::MovedToOutput;
        } else {
            ShowFileMessage(211, name, 212);
        }
    } else if (FileMover::MoveInto(input, name, directories_.error)) {
        fate = FileFate::MovedToError;
    } else {
        ShowFileMessage(208, name, 209);
    }
    if (fate == FileFate::LeftInInput) {
        scanner_.SetAside(input, name);
    }
    emit FileSettled(name, fate);
}

void TransferSupervisor::StartPoll() {
    if (pollThread_.joinable()) {
        return;
    }
    const unsigned generation = pollGeneration_;
    DorvexLibrary* library = library_.get();
    pollThread_ = std::thread([this, library, generation] {
        const int status = library->GetCommStatus();
        int sent = 0;
        int expected = 0;
        const bool hasProgress = library->GetTransferProgress(sent, expected);
        QMetaObject::invokeMethod(
            this,
            [this, generation, status, hasProgress, sent, expected] {
                OnPolled(generation, status, hasProgress, sent, expected);
            },
            Qt::QueuedConnection);
    });
}

void TransferSupervisor::OnPolled(unsigned generation, int status, bool hasProgress, int sent,
                                  int expected) {
    if (generation != pollGeneration_) {
        return;  // the mode stopped meanwhile; that thread has already been joined
    }
    JoinPoll();
    if (!transferRunning_ || busy_) {
        return;
    }
    BusyScope scope(busy_);
    cachedStatus_ = status;
    emit StatusShown(status);
    if (hasProgress) {
        emit ProgressShown(sent, expected);
    }
    OnStatus(status);
}

void TransferSupervisor::JoinPoll() {
    if (pollThread_.joinable()) {
        pollThread_.join();
    }
}

void TransferSupervisor::ShowMessage(int n) {
    prompter_.ShowMessage(StringTable::Text(languageCode_, n));
}

void TransferSupervisor::ShowFileMessage(int first, const QString& name, int last) {
    prompter_.ShowMessage(StringTable::Text(languageCode_, first) + name +
                          StringTable::Text(languageCode_, last));
}

}  // namespace dorvex::panel
