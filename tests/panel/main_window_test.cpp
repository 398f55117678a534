#include "ui/main_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include "fake_dorvex_library.h"
#include "fake_prompter.h"
#include "ui/captions.h"
#include "ui/help_viewer.h"

namespace dorvex::panel {
namespace {

using testing::FakeDorvexLibrary;
using testing::FakePrompter;

// Two "drives", each a temporary directory.
class TwoDrives : public Volumes {
  public:
    explicit TwoDrives(const QString& root)
        : a_(QDir(root).filePath(QStringLiteral("driveA"))),
          b_(QDir(root).filePath(QStringLiteral("driveB"))) {
        QDir().mkpath(a_);
        QDir().mkpath(b_);
    }
    QStringList DriveTexts() const override { return {a_, b_ + QStringLiteral(" [B]")}; }
    QString DriveOf(const QString& path) const override {
        return path.startsWith(b_) ? b_ + QStringLiteral(" [B]") : a_;
    }
    QString CurrentDirectoryOf(const QString& driveText) const override {
        return RootOf(driveText);
    }
    QString a_;
    QString b_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : drives_(dir_.path()) {}

    std::unique_ptr<MainWindow> MakeWindow(const QString& configPath = {},
                                           const QString& saveConfigPath = {}) {
        MainWindow::Options options;
        options.programDir = dir_.path();
        options.configPath = configPath.isEmpty() ? ConfigPath() : configPath;
        options.saveConfigPath = saveConfigPath;
        options.prompter = &prompter_;
        options.volumes = &drives_;
        options.backgroundPolling = false;
        options.loader = [this](QString&) -> std::unique_ptr<DorvexLibrary> {
            auto library = std::make_unique<FakeDorvexLibrary>();
            fake_ = library.get();
            return library;
        };
        return std::make_unique<MainWindow>(std::move(options));
    }

    QString ConfigPath() const { return QDir(dir_.path()).filePath(QStringLiteral("Dorvex.cfg")); }

    QString Sub(const QString& name) const {
        const QString path = QDir(drives_.a_).filePath(name);
        QDir().mkpath(path);
        return path;
    }

    void WriteConfig(const QStringList& lines) {
        QFile file(ConfigPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    }

    template <typename W>
    static W* Find(QWidget& window, const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }

    // Every caption that the language may touch, by control.
    static QStringList Captions(QWidget& window) {
        QStringList captions;
        for (QWidget* w : window.findChildren<QWidget*>()) {
            QString text;
            if (auto* label = qobject_cast<QLabel*>(w)) {
                text = label->text();
            } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
                text = button->text();
            } else if (auto* frame = qobject_cast<QGroupBox*>(w)) {
                text = frame->title();
            } else if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
                for (int i = 0; i < tabs->count(); ++i) {
                    text += tabs->tabText(i) + QLatin1Char('|');
                }
            }
            captions << w->objectName() + QLatin1Char('=') + text;
        }
        return captions;
    }

    QTemporaryDir dir_;
    TwoDrives drives_;
    FakePrompter prompter_;
    FakeDorvexLibrary* fake_ = nullptr;
};

TEST_F(MainWindowTest, ControlsCarryTheirProgramNames) {
    auto window = MakeWindow();
    EXPECT_EQ(window->objectName(), QStringLiteral("Form1"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Dorvex Panel"));
    const char* names[] = {"Label1",
                           "CB_Mode",
                           "I_Mode",
                           "CB_Help",
                           "SSTab1",
                           "L_Drive",
                           "Drive1",
                           "L_DirIn",
                           "Dir_In",
                           "L_DirOut",
                           "Dir_Out",
                           "L_DirError",
                           "Dir_Error",
                           "F_InputFile",
                           "O_MoveInputFile",
                           "O_DeleteInputFile",
                           "L_TimerIn",
                           "Slider_TimerIn",
                           "L_TimerInMin",
                           "L_TimerInOut",
                           "L_TimeUnit",
                           "CB_TimerInUnit",
                           "L_TimerStatus",
                           "Slider_TimerStatus",
                           "L_TimerStatusMin",
                           "L_TimerStatusMax",
                           "Image3",
                           "L_CRChar",
                           "T_CRChar",
                           "F_Language",
                           "L_CurrentLanguage",
                           "I_French",
                           "I_English",
                           "Frame1",
                           "C_StartMode",
                           "C_Window",
                           "F_ErrorMessages",
                           "O_Show",
                           "O_Hide",
                           "L_IPAddress",
                           "T_IPAddress",
                           "L_DeviceNo",
                           "CB_DeviceNo",
                           "L_Timeout",
                           "CB_Timeout",
                           "F_Charset",
                           "O_Unicode",
                           "O_Ansi",
                           "L_FileIn",
                           "File_In",
                           "L_FileOut",
                           "File_Out",
                           "L_FileError",
                           "File_Error",
                           "L_FileTransfered",
                           "L_FreeSpace",
                           "I_DangerFreeSpace",
                           "L_Version",
                           "Image1",
                           "Image2",
                           "StatusBar1"};
    for (const char* name : names) {
        EXPECT_NE(Find<QWidget>(*window, name), nullptr) << name;
    }
    EXPECT_NE(window->findChild<QTimer*>(QStringLiteral("Timer_FileList")), nullptr);
    EXPECT_EQ(window->Supervisor().ScanTimer().objectName(), QStringLiteral("Timer_Scrutation"));
    EXPECT_EQ(window->Supervisor().StatusTimer().objectName(), QStringLiteral("Timer_Status"));
    EXPECT_EQ(Find<QLabel>(*window, "L_FileTransfered")->property(kTagProperty),
              QStringLiteral("305"));
}

TEST_F(MainWindowTest, LoadWithoutAFileIsFrenchAndTheFirstCloseWritesTheInitialStates) {
    auto window = MakeWindow();
    window->LoadSettings();
    EXPECT_EQ(window->LanguageCode(), kFrench);
    EXPECT_EQ(Find<QLabel>(*window, "L_CurrentLanguage")->text(), QStringLiteral("Français"));
    EXPECT_EQ(Find<QComboBox>(*window, "CB_DeviceNo")->count(), 100);
    EXPECT_EQ(Find<QComboBox>(*window, "CB_DeviceNo")->currentIndex(), -1);
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Mode")->text(), QStringLiteral("Pas de scrutation"));
    EXPECT_EQ(Find<QLabel>(*window, "L_Version")->text(), QStringLiteral("Ver. 1.2.6"));
    EXPECT_TRUE(Find<QLabel>(*window, "L_FreeSpace")
                    ->text()
                    .startsWith(QStringLiteral("Espace disque disponible : ")));
    EXPECT_TRUE(window->close());
    QFile file(ConfigPath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_GE(lines.size(), 17);
    EXPECT_EQ(lines[0], "33\r");
    EXPECT_EQ(lines[7], "-1\r");
    EXPECT_EQ(lines[11], "127.0.0.1\r");
    EXPECT_EQ(lines[12], "-1\r");
    EXPECT_EQ(lines[13], "|\r");
    EXPECT_EQ(lines[15], "-1\r");
}

TEST_F(MainWindowTest, LanguageSwitchRestoresEveryTaggedCaption) {
    auto window = MakeWindow();
    window->LoadSettings();
    const QStringList french = Captions(*window);
    QTest::mouseClick(Find<QWidget>(*window, "I_English"), Qt::LeftButton);
    EXPECT_EQ(window->LanguageCode(), kEnglish);
    auto* tabs = Find<QTabWidget>(*window, "SSTab1");
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("Directories"));
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("Communication"));
    EXPECT_EQ(Find<QLabel>(*window, "Label1")->text(),
              QStringLiteral("Data transfert utility for serie VORNA"));
    EXPECT_EQ(Find<QGroupBox>(*window, "F_InputFile")->title(),
              QStringLiteral("Input file after successful transfer"));
    EXPECT_EQ(Find<QRadioButton>(*window, "O_Hide")->text(), QStringLiteral("Hide"));
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Mode")->text(), QStringLiteral("No pulling"));
    EXPECT_EQ(Find<QLabel>(*window, "L_CurrentLanguage")->text(), QStringLiteral("English"));
    // Untranslated: character sets, slider ends, the mode button.
    EXPECT_EQ(Find<QRadioButton>(*window, "O_Unicode")->text(), QStringLiteral("UNICODE"));
    EXPECT_EQ(Find<QRadioButton>(*window, "O_Ansi")->text(), QStringLiteral("ANSI"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInOut")->text(), QStringLiteral("60 s"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerStatusMin")->text(), QStringLiteral("10 ms"));
    EXPECT_EQ(Find<QPushButton>(*window, "CB_Mode")->text(), QStringLiteral("Start"));
    EXPECT_NE(Captions(*window), french);

    QTest::mouseClick(Find<QWidget>(*window, "I_French"), Qt::LeftButton);
    EXPECT_EQ(Captions(*window), french);
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("Horloges de scrutation"));
}

TEST_F(MainWindowTest, SettingsFromTheFileReachTheControlsAndAutomaticStartRuns) {
    const QString in = Sub(QStringLiteral("in"));
    WriteConfig({QStringLiteral("44"), drives_.a_, in, Sub(QStringLiteral("out")),
                 Sub(QStringLiteral("err")), QStringLiteral("0"), QStringLiteral("3"),
                 QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("1"),
                 QStringLiteral("0"), QStringLiteral("127.0.0.1:5120"), QStringLiteral("7"),
                 QStringLiteral("~"), QStringLiteral("-1"), QStringLiteral("4"),
                 QStringLiteral("0")});
    QFile data(QDir(in).filePath(QStringLiteral("plu_w.csv")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("PLU\n1\n");
    data.close();

    auto window = MakeWindow();
    window->LoadSettings();
    ASSERT_TRUE(window->Supervisor().AutoModeOn());
    EXPECT_EQ(fake_->Calls()[2], QStringLiteral("OpenDorvex(IPC:5120,7,127.0.0.1,0,1,table.csv)"));
    EXPECT_EQ(Find<QPushButton>(*window, "CB_Mode")->text(), QStringLiteral("Stop"));
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Mode")->text(), QStringLiteral("pulling running"));
    EXPECT_TRUE(Find<QRadioButton>(*window, "O_MoveInputFile")->isChecked());
    EXPECT_FALSE(Find<QCheckBox>(*window, "C_Window")->isHidden());
    EXPECT_EQ(window->Supervisor().ScanTimer().interval(), 3000);
    EXPECT_EQ(Find<QComboBox>(*window, "CB_Timeout")->currentText(), QStringLiteral("5 s"));

    window->Supervisor().ScanTick();
    auto* processing = Find<QLabel>(*window, "L_FileTransfered");
    EXPECT_TRUE(processing->isVisibleTo(window.get()));
    EXPECT_EQ(processing->text(), QStringLiteral("Processing file : plu_w.csv"));
    fake_->QueueStatuses({4});
    window->Supervisor().StatusTick();
    EXPECT_FALSE(processing->isVisibleTo(window.get()));
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Status")->text(), QStringLiteral("Transfer terminated"));
    EXPECT_TRUE(
        QFile::exists(QDir(Sub(QStringLiteral("out"))).filePath(QStringLiteral("plu_w.csv"))));

    EXPECT_TRUE(window->close());
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_FALSE(window->Supervisor().AutoModeOn());
    EXPECT_EQ(fake_->Calls().last(), QStringLiteral("CloseDorvex()"));
}

TEST_F(MainWindowTest, ClosingDuringATransferAsksAndNoKeepsTheWindowOpen) {
    WriteConfig({QStringLiteral("44"), drives_.a_, Sub(QStringLiteral("in")),
                 Sub(QStringLiteral("out")), Sub(QStringLiteral("err")), QStringLiteral("-1"),
                 QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("100"),
                 QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("7"), QStringLiteral("|"), QStringLiteral("0"), QStringLiteral("4"),
                 QStringLiteral("0")});
    QFile data(QDir(Sub(QStringLiteral("in"))).filePath(QStringLiteral("plu_w.csv")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("PLU\n1\n");
    data.close();
    auto window = MakeWindow();
    window->LoadSettings();
    window->show();
    window->Supervisor().ScanTick();
    ASSERT_TRUE(window->Supervisor().TransferRunning());
    prompter_.answers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(
        prompter_.questions,
        QStringList{QStringLiteral("Transfer not terminated ! Do you want to quit anyway ?")});
    EXPECT_TRUE(window->Supervisor().AutoModeOn());
    EXPECT_TRUE(window->isVisible());
}

TEST_F(MainWindowTest, ChoosingADriveMovesTheThreeDirectoriesSoStartRefuses) {
    auto window = MakeWindow();
    window->LoadSettings();
    PanelSettings settings = window->ReadSettings();
    settings.deviceIndex = 1;
    settings.scanUnitIndex = 0;
    settings.timeoutIndex = 0;
    settings.inputDir = Sub(QStringLiteral("in"));
    settings.outputDir = Sub(QStringLiteral("out"));
    settings.errorDir = Sub(QStringLiteral("err"));
    window->ShowSettings(settings);
    auto* drive = Find<QComboBox>(*window, "Drive1");
    drive->setCurrentIndex(1);
    emit drive->textActivated(drive->currentText());
    const PanelSettings moved = window->ReadSettings();
    EXPECT_EQ(moved.inputDir, drives_.b_);
    EXPECT_EQ(moved.outputDir, drives_.b_);
    EXPECT_EQ(moved.errorDir, drives_.b_);
    QTest::mouseClick(Find<QPushButton>(*window, "CB_Mode"), Qt::LeftButton);
    EXPECT_EQ(prompter_.messages, QStringList{StringTable::Text(kFrench, 207)});
    EXPECT_FALSE(window->Supervisor().AutoModeOn());
}

TEST_F(MainWindowTest, UncheckingAutomaticStartHidesMinimizedButKeepsItsValue) {
    auto window = MakeWindow();
    window->LoadSettings();
    auto* start = Find<QCheckBox>(*window, "C_StartMode");
    auto* minimized = Find<QCheckBox>(*window, "C_Window");
    EXPECT_TRUE(minimized->isHidden());
    start->setChecked(true);
    EXPECT_FALSE(minimized->isHidden());
    minimized->setChecked(true);
    start->setChecked(false);
    EXPECT_TRUE(minimized->isHidden());
    EXPECT_TRUE(window->ReadSettings().minimizedWindow);
}

TEST_F(MainWindowTest, TypedTimeoutThatIsNoEntryCountsAsNoChoice) {
    auto window = MakeWindow();
    auto* timeout = Find<QComboBox>(*window, "CB_Timeout");
    timeout->setEditText(QStringLiteral("7 s"));
    EXPECT_EQ(window->ReadSettings().timeoutIndex, 6);
    timeout->setEditText(QStringLiteral("7 seconds"));
    EXPECT_EQ(window->ReadSettings().timeoutIndex, -1);
}

TEST_F(MainWindowTest, HelpOpensTheOwnPagesOfTheLanguageWhenNoHelpFileExists) {
    EXPECT_TRUE(HelpViewer::HelpFilePath(dir_.path(), kEnglish)
                    .endsWith(QStringLiteral("/DorvexPanel_uk.chm")));
    EXPECT_TRUE(HelpViewer::HelpFilePath(dir_.path(), kFrench)
                    .endsWith(QStringLiteral("/DorvexPanel_fr.chm")));
    auto window = MakeWindow();
    window->LoadSettings();
    window->OpenHelp();
    auto* french = window->findChild<QTextBrowser*>(QStringLiteral("HelpText"));
    ASSERT_NE(french, nullptr);
    EXPECT_TRUE(french->toPlainText().contains(QStringLiteral("répertoire d'entrée")));
    window->SetLanguage(kEnglish);
    window->OpenHelp();
    bool english = false;
    for (auto* browser : window->findChildren<QTextBrowser*>(QStringLiteral("HelpText"))) {
        english = english || browser->toPlainText().contains(QStringLiteral("input directory"));
    }
    EXPECT_TRUE(english);
}

TEST_F(MainWindowTest, UnwritableSettingsFileIsReportedAtClose) {
    QFile blocker(QDir(dir_.path()).filePath(QStringLiteral("file")));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    auto window = MakeWindow(blocker.fileName() + QStringLiteral("/Dorvex.cfg"));
    window->LoadSettings();
    EXPECT_TRUE(window->close());
    ASSERT_EQ(prompter_.messages.size(), 1);
    EXPECT_TRUE(prompter_.messages[0].startsWith(StringTable::Text(kFrench, 216)));
}

TEST_F(MainWindowTest, SettingsAreSavedToTheSavePathInANewDirectory) {
    WriteConfig({QStringLiteral("44")});
    const QString saved = QDir(dir_.path()).filePath(QStringLiteral("user/dorvex/Dorvex.cfg"));
    auto window = MakeWindow(ConfigPath(), saved);
    window->LoadSettings();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(prompter_.messages.isEmpty());
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readLine(), QByteArray("44\r\n"));
}

}  // namespace
}  // namespace dorvex::panel
