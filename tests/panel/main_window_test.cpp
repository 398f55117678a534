#include "ui/main_window.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "core/config_file.h"
#include "core/string_table.h"
#include "fake_dorvex_library.h"
#include "fake_prompter.h"
#include "test_files.h"
#include "ui/elided_label.h"
#include "ui/file_list.h"
#include "ui/text_file_viewer.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

using testing::FakeDorvexLibrary;
using testing::FakePrompter;
using testing::ReadFile;
using testing::WriteFile;

// Two "drives": the test's directory and another inside it.
class TwoDrives : public Volumes {
  public:
    explicit TwoDrives(const QString& root) : a_(root), b_(QDir(root).filePath(u"driveB"_s)) {
        QDir().mkpath(b_);
    }
    QStringList DriveTexts() const override { return {a_, b_ + u" [B]"_s}; }
    QString DriveOf(const QString& path) const override {
        return path.startsWith(b_) ? b_ + u" [B]"_s : a_;
    }
    QString CurrentDirectoryOf(const QString& driveText) const override {
        return RootOf(driveText);
    }
    QString a_;
    QString b_;
};

class MainWindowTest : public ::testing::Test {
  protected:
    MainWindowTest() : drives_(dir_.Path()) {}

    std::unique_ptr<MainWindow> MakeWindow(const QString& configPath = {},
                                           const QString& saveConfigPath = {}) {
        MainWindow::Options options;
        options.programDir = dir_.Path();
        options.configPath = configPath.isEmpty() ? ConfigPath() : configPath;
        options.saveConfigPath = saveConfigPath;
        options.prompter = &prompter_;
        options.volumes = &drives_;
        options.backgroundPolling = false;
        options.loader = testing::FakeLoader(fake_);
        return std::make_unique<MainWindow>(std::move(options));
    }

    QString ConfigPath() const { return QDir(dir_.Path()).filePath(u"Dorvex.cfg"_s); }

    // Settings that start the automatic mode as the window loads them.
    PanelSettings Runnable() const {
        PanelSettings s = testing::RunnableSettings(dir_.Path());
        s.drive = drives_.a_;
        s.autoStart = true;
        return s;
    }

    void WriteConfig(const PanelSettings& settings) {
        ASSERT_TRUE(ConfigFile::Write(ConfigPath(), settings, nullptr));
    }

    void Drop(const QString& name) {
        ASSERT_TRUE(WriteFile(dir_.FilePath(u"in/"_s + name), "PLU\n1\n"));
    }

    template <typename W>
    static W* Find(QWidget& window, const char* name) {
        return window.findChild<W*>(QString::fromLatin1(name));
    }

    testing::TestDir dir_;
    TwoDrives drives_;
    FakePrompter prompter_;
    FakeDorvexLibrary* fake_ = nullptr;
};

TEST_F(MainWindowTest, WithoutAFileTheWindowIsFrenchMarksWhatIsMissingAndSavesAtClose) {
    auto window = MakeWindow();
    window->LoadSettings();
    EXPECT_EQ(window->LanguageCode(), kFrench);
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Mode")->text(), u"Pas de scrutation"_s);
    // The file lists show the chosen directories from the start, not only after a change.
    EXPECT_FALSE(window->ReadSettings().inputDir.isEmpty());
    EXPECT_EQ(Find<FileList>(*window, "File_In")->Directory(), window->ReadSettings().inputDir);
    EXPECT_EQ(Find<FileList>(*window, "File_Error")->Directory(), window->ReadSettings().errorDir);

    // Choosing a drive moves all three directories to its own.
    auto* drive = Find<QComboBox>(*window, "Drive1");
    drive->setCurrentIndex(1);
    emit drive->textActivated(drive->currentText());
    const PanelSettings moved = window->ReadSettings();
    EXPECT_EQ(QStringList({moved.inputDir, moved.outputDir, moved.errorDir}),
              QStringList(3, drives_.b_));

    // The three directories are the same; the rest is chosen: only that is missing.
    Find<QComboBox>(*window, "CB_TimerInUnit")->setCurrentIndex(0);
    Find<QComboBox>(*window, "CB_DeviceNo")->setCurrentIndex(4);
    Find<QComboBox>(*window, "CB_Timeout")->setCurrentIndex(2);
    QTest::mouseClick(Find<QPushButton>(*window, "CB_Mode"), Qt::LeftButton);
    EXPECT_EQ(prompter_.messages,
              QStringList{StringTable::Text(kFrench, TextId::SelectSeparateDirectories)});

    EXPECT_TRUE(window->close());
    const QList<QByteArray> lines = ReadFile(ConfigPath()).split('\n');
    ASSERT_EQ(lines.size(), ConfigFile::kLineCount + 1);
    EXPECT_EQ(lines[0], "33\r");
    EXPECT_EQ(lines[12], "4\r");
}

TEST_F(MainWindowTest, SettingsFromTheFileStartTheModeWhichLocksThemAndShowsWhatBecomesOfFiles) {
    WriteConfig(Runnable());
    Drop(u"plu_w.csv"_s);

    auto window = MakeWindow();
    window->LoadSettings();
    window->show();
    ASSERT_TRUE(window->Supervisor().AutoModeOn());
    EXPECT_EQ(Find<QPushButton>(*window, "CB_Mode")->text(), u"Stop"_s);
    EXPECT_EQ(Find<QLabel>(*window, "Panel_Mode")->text(), u"pulling running"_s);
    // What the library or the timers took at the start is locked; the file option is not.
    EXPECT_FALSE(Find<QLineEdit>(*window, "T_IPAddress")->isEnabled());
    EXPECT_TRUE(Find<QRadioButton>(*window, "O_MoveInputFile")->isEnabled());

    window->Supervisor().ScanTick();
    auto* processing = Find<QLabel>(*window, "L_FileTransfered");
    EXPECT_TRUE(processing->isVisibleTo(window.get()));
    EXPECT_EQ(processing->text(), u"Processing file : plu_w.csv"_s);
    fake_->QueueStatuses({4});
    window->Supervisor().StatusTick();
    EXPECT_FALSE(processing->isVisibleTo(window.get()));

    // A refused file's reason shows in the status bar, below the list and as its tip.
    const QString reason = u"no table of table.csv is named in the file name"_s;
    fake_->sendResults.insert(u"prices_w.csv"_s, -1);
    fake_->lastErrorText = reason;
    Drop(u"prices_w.csv"_s);
    window->Supervisor().ScanTick();
    window->Supervisor().ScanTick();
    const QString expected = u"prices_w.csv: Refused by the library: "_s + reason;
    EXPECT_EQ(Find<ElidedLabel>(*window, "Panel_Notice")->FullText(), expected);
    EXPECT_EQ(Find<QPlainTextEdit>(*window, "T_FileErrorReason")->toPlainText(), expected);
    const auto items =
        Find<FileList>(*window, "File_Error")->findItems(u"prices_w.csv"_s, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items.first()->toolTip(), u"Refused by the library: "_s + reason);

    // A reply awaited for long shows in the status bar.
    Drop(u"all_r.csv"_s);
    window->Supervisor().ScanTick();
    window->Supervisor().ScanTick();
    ASSERT_TRUE(window->Supervisor().TransferRunning());
    fake_->QueueStatuses({3});
    fake_->replyWaited = 42500;
    fake_->replyLimit = 9000000;
    window->Supervisor().StatusTick();
    EXPECT_EQ(Find<ElidedLabel>(*window, "Panel_Notice")->FullText(),
              u"waiting for the scale's reply, 42 s (limit 9000 s)"_s);

    // A close during a transfer asks; a termination stops without asking and saves nothing.
    prompter_.answers = {false};
    EXPECT_FALSE(window->close());
    EXPECT_EQ(prompter_.questions,
              QStringList{StringTable::Text(kEnglish, TextId::QuitBeforeTransferEnds)});
    EXPECT_TRUE(window->Supervisor().AutoModeOn());
    const QByteArray saved = ReadFile(ConfigPath());
    window->SetLanguage(kFrench);  // a change that a close would save
    window->Terminate();
    EXPECT_EQ(prompter_.questions.size(), 1);
    EXPECT_FALSE(window->Supervisor().AutoModeOn());
    EXPECT_TRUE(Find<QLineEdit>(*window, "T_IPAddress")->isEnabled());
    EXPECT_TRUE(Find<ElidedLabel>(*window, "Panel_Notice")->FullText().isEmpty());
    EXPECT_TRUE(window->close());
    EXPECT_EQ(ReadFile(ConfigPath()), saved);
}

TEST_F(MainWindowTest, SettingsAreSavedToTheSavePathAndAFailedSaveIsReported) {
    PanelSettings english;
    english.languageCode = kEnglish;
    WriteConfig(english);
    const QString saved = QDir(dir_.Path()).filePath(u"user/dorvex/Dorvex.cfg"_s);
    auto window = MakeWindow(ConfigPath(), saved);
    window->LoadSettings();
    EXPECT_TRUE(window->close());
    EXPECT_TRUE(prompter_.messages.isEmpty());
    EXPECT_TRUE(ReadFile(saved).startsWith("44\r\n"));

    // A file where the directory should be: the save fails, for root too.
    auto blocked = MakeWindow(saved + u"/Dorvex.cfg"_s);
    blocked->LoadSettings();
    EXPECT_TRUE(blocked->close());
    ASSERT_EQ(prompter_.messages.size(), 1);
    EXPECT_TRUE(
        prompter_.messages[0].startsWith(StringTable::Text(kFrench, TextId::SettingsNotSaved)));
}

TEST_F(MainWindowTest, TheErrorLogOpensNewestFirst) {
    PanelSettings settings = Runnable();
    settings.autoStart = false;
    WriteConfig(settings);
    ASSERT_TRUE(WriteFile(QDir(settings.errorDir).filePath(u"error.log"_s),
                          "02:50:01\tTimeout\r\n02:52:03\tMessage not sent\r\n"));
    auto window = MakeWindow();
    window->LoadSettings();
    QTest::mouseClick(Find<QPushButton>(*window, "CB_ErrorLog"), Qt::LeftButton);
    auto* viewer = window->findChild<TextFileViewer*>(u"FileViewer"_s);
    ASSERT_NE(viewer, nullptr);
    EXPECT_EQ(viewer->Text(), u"02:52:03\tMessage not sent\n02:50:01\tTimeout"_s);
}

}  // namespace
}  // namespace dorvex::panel
