#include "ui/main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include "fake_dorvex_library.h"
#include "fake_prompter.h"
#include "ui/captions.h"
#include "ui/elided_label.h"
#include "ui/file_list.h"
#include "ui/help_viewer.h"
#include "ui/text_file_viewer.h"
#include "ui/widget_prompter.h"

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

TEST_F(MainWindowTest, TimerSlidersShowTheirValueAndTheEndsFollowTheUnit) {
    auto window = MakeWindow();
    window->LoadSettings();
    auto* unit = Find<QComboBox>(*window, "CB_TimerInUnit");
    auto* scan = Find<QSlider>(*window, "Slider_TimerIn");
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInValue")->text(), QStringLiteral("10 s"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerStatusValue")->text(), QStringLiteral("50 ms"));
    unit->setCurrentIndex(1);
    scan->setValue(25);
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInMin")->text(), QStringLiteral("1 min"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInOut")->text(), QStringLiteral("60 min"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInValue")->text(), QStringLiteral("25 min"));
    unit->setCurrentIndex(0);
    Find<QSlider>(*window, "Slider_TimerStatus")->setValue(480);
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInOut")->text(), QStringLiteral("60 s"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerInValue")->text(), QStringLiteral("25 s"));
    EXPECT_EQ(Find<QLabel>(*window, "L_TimerStatusValue")->text(), QStringLiteral("480 ms"));
}

TEST_F(MainWindowTest, BoxButtonsSpeakTheWindowsLanguage) {
    int language = kFrench;
    WidgetPrompter prompter(nullptr, [&language] { return language; });
    QStringList seen;
    auto watch = [&seen](QMessageBox::StandardButton answer) {
        QTimer::singleShot(0, [&seen, answer] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen.clear();
            for (QAbstractButton* button : box->buttons()) {
                seen << button->text().remove(QLatin1Char('&'));
            }
            seen.sort();
            box->button(answer)->click();
        });
    };
    watch(QMessageBox::No);
    EXPECT_FALSE(prompter.AskYesNo(StringTable::Text(kFrench, 205)));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("Non"), QStringLiteral("Oui")}));
    watch(QMessageBox::Yes);
    language = kEnglish;
    EXPECT_TRUE(prompter.AskYesNo(StringTable::Text(kEnglish, 205)));
    EXPECT_EQ(seen, (QStringList{QStringLiteral("No"), QStringLiteral("Yes")}));
    watch(QMessageBox::Ok);
    prompter.ShowMessage(StringTable::Text(kEnglish, 201));
    EXPECT_EQ(seen, QStringList{QStringLiteral("OK")});
}

TEST_F(MainWindowTest, TheLogViewerReadsMixedLinesNewestFirst) {
    const QString err = Sub(QStringLiteral("err"));
    WriteConfig({QStringLiteral("33"), drives_.a_, Sub(QStringLiteral("in")),
                 Sub(QStringLiteral("out")), err});
    QFile log(QDir(err).filePath(QStringLiteral("error.log")));
    ASSERT_TRUE(log.open(QIODevice::WriteOnly));
    log.write("Mon 07 Dec 2026 - 02:50:01\tDevice 1\tTimeout; waiting reply from scale\r\n");
    const QString unicode =
        QStringLiteral("Mon 07 Dec 2026 - 02:51:02\tDevice 1\tDatabase error : Œuf € ñ\r\n");
    log.write(reinterpret_cast<const char*>(unicode.utf16()), unicode.size() * 2);
    log.write("Mon 07 Dec 2026 - 02:52:03\tDevice 1\tMessage not sent \xE9\r\n");
    log.close();
    auto window = MakeWindow();
    window->LoadSettings();
    QTest::mouseClick(Find<QPushButton>(*window, "CB_ErrorLog"), Qt::LeftButton);
    auto* viewer = window->findChild<TextFileViewer*>(QStringLiteral("FileViewer"));
    ASSERT_NE(viewer, nullptr);
    const QStringList lines = viewer->Text().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("Message not sent é")));
    EXPECT_TRUE(lines[1].endsWith(QStringLiteral("Database error : Œuf € ñ")));
    EXPECT_TRUE(lines[2].endsWith(QStringLiteral("Timeout; waiting reply from scale")));
    EXPECT_EQ(viewer->findChild<QLabel*>(QStringLiteral("FileViewerNote"))->text(),
              QStringLiteral("Lignes les plus récentes en premier"));
    viewer->close();

    // A result file opens in the same viewer by a double click, in its own order.
    QFile result(QDir(err).filePath(QStringLiteral("a_w_e.csv")));
    ASSERT_TRUE(result.open(QIODevice::WriteOnly));
    result.write("PLU;Name;Result\r\n1;P\xE2te;Database error\r\n");
    result.close();
    auto* list = Find<FileList>(*window, "File_Error");
    list->Refresh();
    const auto items = list->findItems(QStringLiteral("a_w_e.csv"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    emit list->itemActivated(items.first());
    TextFileViewer* resultViewer = nullptr;
    for (auto* candidate : window->findChildren<TextFileViewer*>()) {
        resultViewer = candidate->windowTitle().endsWith(QStringLiteral("a_w_e.csv"))
                           ? candidate
                           : resultViewer;
    }
    ASSERT_NE(resultViewer, nullptr);
    EXPECT_EQ(resultViewer->Text(), QStringLiteral("PLU;Name;Result\n1;Pâte;Database error"));
}

TEST_F(MainWindowTest, TabsWithMissingSettingsAreMarkedAndAFirstStartOpensOnTheFirst) {
    auto window = MakeWindow();
    window->LoadSettings();
    auto* tabs = Find<QTabWidget>(*window, "SSTab1");
    // No settings file: the three directories are the same, no unit, no scale, no timeout.
    EXPECT_EQ(tabs->currentIndex(), 0);
    // The file lists show those directories from the start, not only after a change.
    EXPECT_FALSE(window->ReadSettings().inputDir.isEmpty());
    EXPECT_EQ(Find<FileList>(*window, "File_In")->Directory(), window->ReadSettings().inputDir);
    EXPECT_EQ(Find<FileList>(*window, "File_Error")->Directory(), window->ReadSettings().errorDir);
    EXPECT_FALSE(tabs->tabIcon(0).isNull());
    EXPECT_FALSE(tabs->tabIcon(1).isNull());
    EXPECT_TRUE(tabs->tabIcon(2).isNull());
    EXPECT_FALSE(tabs->tabIcon(3).isNull());
    EXPECT_EQ(tabs->tabToolTip(3), StringTable::Text(kFrench, 201) + QLatin1Char('\n') +
                                       StringTable::Text(kFrench, 210));
    Find<QComboBox>(*window, "CB_TimerInUnit")->setCurrentIndex(0);
    EXPECT_TRUE(tabs->tabIcon(1).isNull());
    Find<QComboBox>(*window, "CB_DeviceNo")->setCurrentIndex(4);
    EXPECT_EQ(tabs->tabToolTip(3), StringTable::Text(kFrench, 210));
    Find<QComboBox>(*window, "CB_Timeout")->setCurrentIndex(2);
    EXPECT_TRUE(tabs->tabIcon(3).isNull());
    EXPECT_EQ(window->MissingSettings(), (QList<MissingSetting>{{207, SettingsTab::Directories}}));
    // The start's own check and its message are unchanged.
    QTest::mouseClick(Find<QPushButton>(*window, "CB_Mode"), Qt::LeftButton);
    EXPECT_EQ(prompter_.messages, QStringList{StringTable::Text(kFrench, 207)});
}

TEST_F(MainWindowTest, NothingIsClippedOnA640By480ScreenInEitherLanguage) {
    auto window = MakeWindow();
    window->LoadSettings();
    // Also with the reason of a faulty file shown; a title bar takes the rest of the screen.
    Find<QPlainTextEdit>(*window, "T_FileErrorReason")->show();
    window->centralWidget()->layout()->invalidate();
    EXPECT_LE(window->minimumSizeHint().width(), 640);
    EXPECT_LE(window->minimumSizeHint().height(), 450);
    window->resize(640, 450);
    window->show();
    for (int language : {kFrench, kEnglish}) {
        window->SetLanguage(language);
        auto* tabs = Find<QTabWidget>(*window, "SSTab1");
        EXPECT_LE(tabs->tabBar()->sizeHint().width(), tabs->width()) << language;
        for (int tab = 0; tab < tabs->count(); ++tab) {
            tabs->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (QWidget* widget : window->findChildren<QWidget*>()) {
                // The tab bar's own scroll buttons are covered by the tab bar's width above.
                if (!widget->isVisible() || qobject_cast<ElidedLabel*>(widget) ||
                    qobject_cast<QTabBar*>(widget->parentWidget())) {
                    continue;
                }
                const auto* label = qobject_cast<QLabel*>(widget);
                const auto* button = qobject_cast<QAbstractButton*>(widget);
                if ((label && !label->wordWrap() && !label->text().isEmpty()) || button) {
                    EXPECT_GE(widget->width(), widget->sizeHint().width())
                        << widget->objectName().toStdString() << " in " << language;
                    EXPECT_GE(widget->height(), widget->minimumSizeHint().height())
                        << widget->objectName().toStdString() << " in " << language;
                }
            }
        }
    }
    // The chosen directories as full paths, copyable.
    auto* inPath = Find<QLineEdit>(*window, "T_DirInPath");
    EXPECT_EQ(inPath->text(), QDir::toNativeSeparators(QDir::currentPath()));
    EXPECT_TRUE(inPath->isReadOnly());
}

TEST_F(MainWindowTest, StartSettingsAreLockedWhileRunningAndTheReasonOfAFailureIsShown) {
    const QString in = Sub(QStringLiteral("in"));
    WriteConfig({QStringLiteral("44"), drives_.a_, in, Sub(QStringLiteral("out")),
                 Sub(QStringLiteral("err")), QStringLiteral("-1"), QStringLiteral("3"),
                 QStringLiteral("0"), QStringLiteral("100"), QStringLiteral("1"),
                 QStringLiteral("0"), QStringLiteral("127.0.0.1"), QStringLiteral("7"),
                 QStringLiteral("|"), QStringLiteral("0"), QStringLiteral("4"),
                 QStringLiteral("0")});
    QFile data(QDir(in).filePath(QStringLiteral("prices_w.csv")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("PLU\n1\n");
    data.close();
    auto window = MakeWindow();
    window->LoadSettings();
    ASSERT_TRUE(window->Supervisor().AutoModeOn());
    EXPECT_FALSE(Find<QLineEdit>(*window, "T_IPAddress")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(*window, "Dir_In")->isEnabled());
    EXPECT_FALSE(Find<QSlider>(*window, "Slider_TimerIn")->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(*window, "O_MoveInputFile")->isEnabled());  // read per file
    EXPECT_FALSE(Find<QLabel>(*window, "L_NextStart")->isHidden());

    const QString reason = QStringLiteral("no table of table.csv is named in the file name");
    fake_->sendResults.insert(QStringLiteral("prices_w.csv"), -1);
    fake_->lastErrorText = reason;
    window->Supervisor().ScanTick();
    const QString expected = QStringLiteral("prices_w.csv: Refused by the library: ") + reason;
    EXPECT_EQ(Find<ElidedLabel>(*window, "Panel_Notice")->FullText(), expected);
    auto* why = Find<QPlainTextEdit>(*window, "T_FileErrorReason");
    EXPECT_FALSE(why->isHidden());
    EXPECT_EQ(why->toPlainText(), expected);
    auto* faulty = Find<FileList>(*window, "File_Error");
    const auto items = faulty->findItems(QStringLiteral("prices_w.csv"), Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->toolTip(), QStringLiteral("Refused by the library: ") + reason);

    // A reply awaited for long shows in the status bar.
    QFile next(QDir(in).filePath(QStringLiteral("all_r.csv")));
    ASSERT_TRUE(next.open(QIODevice::WriteOnly));
    next.write("PLU\n");
    next.close();
    window->Supervisor().ScanTick();
    window->Supervisor().ScanTick();
    ASSERT_TRUE(window->Supervisor().TransferRunning());
    fake_->QueueStatuses({3});
    fake_->SetReplyWait(42500, 9000000);
    window->Supervisor().StatusTick();
    EXPECT_EQ(Find<ElidedLabel>(*window, "Panel_Notice")->FullText(),
              QStringLiteral("waiting for the scale's reply, 42 s (limit 9000 s)"));
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Status")->text(), QStringLiteral("Receiving request"));

    prompter_.answers = {true};
    QTest::mouseClick(Find<QPushButton>(*window, "CB_Mode"), Qt::LeftButton);
    EXPECT_FALSE(window->Supervisor().AutoModeOn());
    EXPECT_TRUE(Find<QLineEdit>(*window, "T_IPAddress")->isEnabled());
    EXPECT_TRUE(Find<QLabel>(*window, "L_NextStart")->isHidden());
    EXPECT_TRUE(Find<ElidedLabel>(*window, "Panel_Notice")->FullText().isEmpty());
}

TEST_F(MainWindowTest, TerminationStopsTheModeWithoutAQuestionAndSavesNothing) {
    WriteConfig({QStringLiteral("44"), drives_.a_, Sub(QStringLiteral("in")),
                 Sub(QStringLiteral("out")), Sub(QStringLiteral("err")), QStringLiteral("-1"),
                 QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("100"),
                 QStringLiteral("1"), QStringLiteral("0"), QStringLiteral("127.0.0.1"),
                 QStringLiteral("7"), QStringLiteral("|"), QStringLiteral("0"), QStringLiteral("4"),
                 QStringLiteral("0")});
    QFile before(ConfigPath());
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray saved = before.readAll();
    before.close();
    QFile data(QDir(Sub(QStringLiteral("in"))).filePath(QStringLiteral("plu_w.csv")));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("PLU\n1\n");
    data.close();
    auto window = MakeWindow();
    window->LoadSettings();
    window->show();
    window->Supervisor().ScanTick();
    ASSERT_TRUE(window->Supervisor().TransferRunning());
    window->SetLanguage(kFrench);  // a change that a close would save
    window->Terminate();
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_FALSE(window->Supervisor().AutoModeOn());
    EXPECT_EQ(fake_->Calls().last(), QStringLiteral("CloseDorvex()"));
    EXPECT_TRUE(window->close());
    QFile after(ConfigPath());
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), saved);
}

}  // namespace
}  // namespace dorvex::panel
