#pragma once

#include <QMainWindow>
#include <QTimer>

#include <memory>
#include <optional>

#include "core/dorvex_library.h"
#include "core/panel_settings.h"
#include "core/prompter.h"
#include "core/settings_check.h"
#include "core/transfer_supervisor.h"
#include "core/volumes.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QListWidgetItem;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSlider;
class QTabWidget;
class QToolButton;

namespace dorvex::panel {

class ClickableLabel;
class DirectoryList;
class ElidedLabel;
class FileList;

// "Dorvex Panel": every setting on four tabs, the start/stop button, the three file lists,
// the free space and the status bar. Controls carry the names used throughout the program
// (CB_Mode, Dir_In, ...) as their object names and their text numbers as the property "tag".
class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    struct Options {
        QString programDir;
        QString configPath;
        // Where the settings are saved at close; configPath when empty.
        QString saveConfigPath;
        LibraryLoader loader;
        // Message boxes; the window's own modal boxes when null.
        Prompter* prompter = nullptr;
        // The drives; the mounted volumes when null.
        const Volumes* volumes = nullptr;
        // Poll the library's status away from the window's thread.
        bool backgroundPolling = true;
        // Reply timeout handed to the library at each start; none keeps the library's.
        std::optional<int> replyTimeoutMs;
    };

    explicit MainWindow(Options options, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The load sequence: settings file, language, scale numbers, automatic start, captions,
    // file lists and version.
    void LoadSettings();
    bool StartsMinimized() const { return startsMinimized_; }
    PanelSettings ReadSettings() const;
    void ShowSettings(const PanelSettings& settings);
    // As a click on a flag: the language, its name, the captions.
    void SetLanguage(int languageCode);
    int LanguageCode() const { return languageCode_; }
    // Refreshes the three file lists and the free space.
    void GetFileInfo();
    void OpenHelp();
    // Opens error.log of the error directory in the program's viewer.
    void OpenErrorLog();
    // Opens a file in the program's viewer.
    QWidget* OpenFile(const QString& path);
    // As "Stop" without the question, then ends the program without saving the settings
    // (SIGTERM, SIGINT).
    void Terminate();
    // The settings that the start would refuse, as the tabs show them.
    QList<MissingSetting> MissingSettings() const { return missing_; }
    TransferSupervisor& Supervisor() { return *supervisor_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QWidget* BuildTitleRow();
    QWidget* BuildDirectoriesTab();
    QWidget* BuildTimersTab();
    QWidget* BuildOptionsTab();
    QWidget* BuildCommunicationTab();
    QWidget* BuildFileLists();
    QWidget* BuildFooter();
    void BuildStatusBar();
    void ConnectSupervisor();
    void ConnectControls();
    void ShowCurrentLanguage();
    void ShowMode(PanelMode mode);
    void ShowStatus(int status);
    void ShowCurrentFile(const QString& name);
    void ShowProgress(int sent, int expected);
    void ShowReplyWait(int waitedMilliseconds, int limitMilliseconds);
    void ShowSettled(const QString& name, FileFate fate, const QString& reason);
    void ShowNotice(const QString& text);
    void ShowFaultyFileReason(QListWidgetItem* item);
    void ShowTimerValues();
    void ShowMissingSettings();
    void EnableStartSettings(bool enabled);
    void SyncDirectoryViews();
    void ShowFreeSpace();
    void ShowClock();
    void ShowLibraryError(const QString& title, const QString& text);
    void OnDriveChosen(const QString& driveText);
    void OpenCreateDirectoryDialog(DirectoryList* list);
    QString Text(TextId id) const;

    Options options_;
    QList<MissingSetting> missing_;
    bool terminating_ = false;
    bool noticeIsWait_ = false;
    std::unique_ptr<Prompter> ownPrompter_;
    std::unique_ptr<Volumes> ownVolumes_;
    Prompter* prompter_ = nullptr;
    const Volumes* volumes_ = nullptr;
    std::unique_ptr<TransferSupervisor> supervisor_;

    int languageCode_ = kFrench;
    bool startsMinimized_ = false;
    PanelMode mode_ = PanelMode::Off;
    std::optional<int> shownStatus_;
    QString shownFile_;
    std::optional<std::optional<double>> freeSpace_;

    QLabel* title_ = nullptr;
    QPushButton* modeButton_ = nullptr;
    QLabel* modePicture_ = nullptr;
    QToolButton* helpButton_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    QComboBox* drive_ = nullptr;
    DirectoryList* dirIn_ = nullptr;
    DirectoryList* dirOut_ = nullptr;
    DirectoryList* dirError_ = nullptr;
    QRadioButton* moveInput_ = nullptr;
    QRadioButton* deleteInput_ = nullptr;
    QLineEdit* dirInPath_ = nullptr;
    QLineEdit* dirOutPath_ = nullptr;
    QLineEdit* dirErrorPath_ = nullptr;
    QSlider* scanSlider_ = nullptr;
    QComboBox* scanUnit_ = nullptr;
    QSlider* statusSlider_ = nullptr;
    QLabel* scanMin_ = nullptr;
    QLabel* scanMax_ = nullptr;
    QLabel* scanValue_ = nullptr;
    QLabel* statusValue_ = nullptr;
    QLabel* nextStartNote_ = nullptr;
    QLineEdit* crChar_ = nullptr;
    QLabel* currentLanguage_ = nullptr;
    ClickableLabel* frenchFlag_ = nullptr;
    ClickableLabel* englishFlag_ = nullptr;
    QCheckBox* startMode_ = nullptr;
    QCheckBox* minimized_ = nullptr;
    QRadioButton* showErrors_ = nullptr;
    QRadioButton* hideErrors_ = nullptr;
    QLineEdit* ipAddress_ = nullptr;
    QComboBox* deviceNo_ = nullptr;
    QComboBox* timeout_ = nullptr;
    QRadioButton* unicode_ = nullptr;
    QRadioButton* ansi_ = nullptr;
    FileList* fileIn_ = nullptr;
    FileList* fileOut_ = nullptr;
    FileList* fileError_ = nullptr;
    QPushButton* errorLogButton_ = nullptr;
    QPlainTextEdit* faultyReason_ = nullptr;
    QLabel* fileTransfered_ = nullptr;
    QLabel* freeSpaceLabel_ = nullptr;
    QLabel* freeSpaceWarning_ = nullptr;
    QLabel* version_ = nullptr;
    QLabel* panelDate_ = nullptr;
    QLabel* panelTime_ = nullptr;
    QLabel* panelMode_ = nullptr;
    QLabel* panelStatus_ = nullptr;
    QProgressBar* progress_ = nullptr;
    ElidedLabel* panelNotice_ = nullptr;
    QTimer fileListTimer_;
    QTimer clockTimer_;
};

}  // namespace dorvex::panel
