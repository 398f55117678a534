#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "dorvex_library.h"
#include "input_scanner.h"
#include "panel_settings.h"
#include "prompter.h"
#include "request_kind.h"

namespace dorvex::panel {

enum class PanelMode { Off, Opening, On };
enum class FileFate { Deleted, MovedToOutput, MovedToError, LeftInInput };

// The automatic mode: opens the link through the library, scans the input directory, hands
// one data file at a time to the library, polls it until the transfer ends, then removes the
// file or moves it into the output or error directory.
//
// Everything here runs on the thread that owns the object; only the status poll may run on a
// helper thread (SetBackgroundPolling), and its answer comes back to the owning thread. A
// file is handed over only while no transfer runs and no tick is already at work, so one data
// file is never handled twice.
class TransferSupervisor : public QObject {
    Q_OBJECT

  public:
    using SettingsSource = std::function<PanelSettings()>;

    TransferSupervisor(LibraryLoader loader, Prompter& prompter, SettingsSource settings,
                       QObject* parent = nullptr);
    ~TransferSupervisor() override;

    void SetLanguage(int languageCode) { languageCode_ = languageCode; }
    // Reply timeout for row and whole-table requests handed to the library at each start;
    // none keeps the library's own.
    void SetReplyTimeout(std::optional<int> milliseconds) { replyTimeoutMs_ = milliseconds; }
    // Polls GetCommStatus (200 ms inside the library) on a helper thread instead of blocking.
    void SetBackgroundPolling(bool enabled) { backgroundPolling_ = enabled; }
    // Where the library's own error messages go, once it is bound.
    void SetLibraryErrorSink(DorvexLibrary::ErrorSink sink);

    // Starts the automatic mode when it is off, stops it when it is on. Returns false when
    // nothing changed: a check failed, the link did not open, or the user declined to stop.
    bool SetMode();
    // Stops the automatic mode without asking, as for a termination signal; false when it was
    // off or an operation is under way (the destructor then closes the library).
    bool StopNow();
    // Reads the transfer status from the library, keeps and shows it.
    int GetStatus();
    void ScanTick();
    void StatusTick();

    bool AutoModeOn() const { return autoModeOn_; }
    int CachedStatus() const { return cachedStatus_; }
    const QString& CurrentFile() const { return currentFile_; }
    bool TransferRunning() const { return transferRunning_; }
    bool PollInFlight() const { return pollThread_.joinable(); }
    QTimer& ScanTimer() { return scanTimer_; }
    QTimer& StatusTimer() { return statusTimer_; }

    // 1, 2 and 3: a transfer is being prepared, sent or received.
    static bool IsTransferStatus(int status) { return status >= 1 && status <= 3; }

  signals:
    void ModeChanged(dorvex::panel::PanelMode mode);
    // Panel 4 shows text 110 + status.
    void StatusShown(int status);
    // The file being handled; an empty name hides it.
    void CurrentFileShown(const QString& name);
    void ProgressShown(int sent, int expected);
    // How long the current request has waited for its reply, and its limit; both 0 when no
    // reply is awaited.
    void ReplyWaitShown(int waitedMilliseconds, int limitMilliseconds);
    // Where the file went; reason says why it failed or why it could not be moved (empty
    // after a success).
    void FileSettled(const QString& name, dorvex::panel::FileFate fate, const QString& reason);
    // Something the user should know besides the message boxes (why the link did not
    // open, a setting the library cannot take).
    void Notice(const QString& text);

  private:
    struct Directories {
        QString input;
        QString output;
        QString error;
    };

    // One status poll: the status, the progress and the reply wait.
    struct Poll {
        int status = 0;
        bool hasProgress = false;
        int sent = 0;
        int expected = 0;
        int waited = 0;
        int limit = 0;
    };
    static Poll PollLibrary(DorvexLibrary& library);

    bool StartMode();
    bool StopMode(bool ask);
    std::optional<TextId> FailedCheck(const PanelSettings& settings) const;
    bool BindLibrary();
    bool OpenLink(const PanelSettings& settings, QString& failure);
    void HandSettingsOver(const PanelSettings& settings);
    int HandOver(RequestKind kind, const QString& name);
    void RefuseFile(const QString& name, const QString& reason);
    void OnStatus(int status);
    QString FailureReason(const QString& name, int status);
    void SettleFile(const QString& name, int status, const QString& reason);
    void ShowPoll(const Poll& poll);
    void StartPoll();
    void OnPolled(unsigned generation, const Poll& poll);
    void JoinPoll();
    void ShowMessage(TextId n);
    void ShowFileMessage(TextId first, const QString& name, TextId last);

    LibraryLoader loader_;
    Prompter& prompter_;
    SettingsSource settings_;
    DorvexLibrary::ErrorSink errorSink_;
    std::unique_ptr<DorvexLibrary> library_;
    InputScanner scanner_;
    QTimer scanTimer_;
    QTimer statusTimer_;
    Directories directories_;

    int languageCode_ = kFrench;
    std::optional<int> replyTimeoutMs_;
    bool autoModeOn_ = false;
    int cachedStatus_ = 0;
    QString currentFile_;
    bool transferRunning_ = false;
    bool busy_ = false;
    bool backgroundPolling_ = false;
    unsigned pollGeneration_ = 0;
    std::thread pollThread_;
};

}  // namespace dorvex::panel
