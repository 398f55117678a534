#include "core/transfer_supervisor.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "core/string_table.h"
#include "fake_dorvex_library.h"
#include "fake_prompter.h"
#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

using testing::FakeDorvexLibrary;
using testing::FakePrompter;

class TransferSupervisorTest : public ::testing::Test {
  protected:
    void SetUp() override { supervisor_.SetLanguage(kEnglish); }

    QString PathIn(const char* dir, const QString& name) const {
        return root_.FilePath(QString::fromLatin1(dir) + u'/' + name);
    }

    void Drop(const QString& name, const QByteArray& content = "PLU;Name\n1;Apple\n") {
        ASSERT_TRUE(testing::WriteFile(PathIn("in", name), content, true));
    }

    bool Exists(const char* dir, const QString& name) const {
        return QFile::exists(PathIn(dir, name));
    }

    void Start() {
        ASSERT_TRUE(supervisor_.SetMode());
        ASSERT_TRUE(supervisor_.AutoModeOn());
    }

    // Files dropped after the start are seen by one scan and taken by the next.
    void ScanTwice() {
        supervisor_.ScanTick();
        supervisor_.ScanTick();
    }

    QString Text(TextId id) const { return StringTable::Text(kEnglish, id); }

    // The reason given with the file's fate.
    static QString SettledReason(QSignalSpy& settled, const QString& name, FileFate fate) {
        for (const QList<QVariant>& signal : settled) {
            if (signal[0].toString() == name) {
                EXPECT_EQ(signal[1].value<FileFate>(), fate);
                return signal[2].toString();
            }
        }
        ADD_FAILURE() << "no fate for " << name.toStdString();
        return {};
    }

    testing::TestDir root_;
    PanelSettings settings_ = testing::RunnableSettings(root_.Path());
    FakePrompter prompter_;
    FakeDorvexLibrary* fake_ = nullptr;
    int loads_ = 0;
    QString loadError_;
    TransferSupervisor supervisor_{[this](QString& error) -> std::unique_ptr<DorvexLibrary> {
                                       ++loads_;
                                       error = loadError_;
                                       return error.isEmpty() ? testing::FakeLoader(fake_)(error)
                                                              : nullptr;
                                   },
                                   prompter_, [this] { return settings_; }};
};

TEST_F(TransferSupervisorTest, StartRefusalsShowWhatIsMissingAndAMissingLibraryIsRetried) {
    const PanelSettings complete = settings_;
    settings_ = PanelSettings{};
    settings_.inputDir = settings_.outputDir = settings_.errorDir = complete.inputDir;
    EXPECT_FALSE(supervisor_.SetMode());
    EXPECT_EQ(prompter_.messages, QStringList{Text(TextId::SelectScaleNumber)});
    EXPECT_EQ(loads_, 0);
    settings_ = complete;
    settings_.scanUnitIndex = 1;
    settings_.scanInterval = 10;
    loadError_ = u"libdorvex.so: cannot open shared object file"_s;
    prompter_.messages.clear();
    EXPECT_FALSE(supervisor_.SetMode());
    EXPECT_FALSE(supervisor_.AutoModeOn());
    EXPECT_EQ(prompter_.messages, QStringList{Text(TextId::LibraryUnusable) + loadError_});
    loadError_.clear();
    EXPECT_TRUE(supervisor_.SetMode());
    EXPECT_EQ(loads_, 2);
    EXPECT_EQ(supervisor_.ScanTimer().interval(), 10 * 60000);  // 10 "min"
}

TEST_F(TransferSupervisorTest, StartCallsTheLibraryInTheDocumentedOrder) {
    settings_.crChar = u"~"_s;
    settings_.showErrors = true;
    settings_.ipAddress = u"127.0.0.1:5120"_s;
    Start();
    EXPECT_EQ(fake_->Calls(),
              (QStringList{u"SetConnectionTimeout(3000)"_s, u"SetDisplayErrorMode(1)"_s,
                           u"OpenDorvex(IPC:5120,5,127.0.0.1,0,1,table.csv)"_s,
                           u"SetInputDir("_s + settings_.inputDir + ')',
                           u"SetOutputDir("_s + settings_.outputDir + ')',
                           u"SetErrorDir("_s + settings_.errorDir + ')', u"SetDestination(5)"_s,
                           u"SetCRChar(~)"_s}));
    EXPECT_TRUE(supervisor_.ScanTimer().isActive());
    EXPECT_FALSE(supervisor_.StatusTimer().isActive());
}

TEST_F(TransferSupervisorTest, OnlyDataFilesAreTakenAndARefusedOneGoesToErrorWithAReason) {
    Drop(u"stock_w.txt"_s);
    Drop(u"Art_D.CSW"_s);
    Drop(u"a_w.csv"_s, "refused");
    Drop(u"b_d.csw"_s);
    Start();
    fake_->sendResults.insert(u"Art_D.CSW"_s, -1);
    fake_->sendResults.insert(u"a_w.csv"_s, -1);
    fake_->QueueStatuses({5});
    QSignalSpy settled(&supervisor_, &TransferSupervisor::FileSettled);
    supervisor_.ScanTick();
    // After a refusal the next file is handed over in the same tick.
    EXPECT_EQ(fake_->Calls().last(5),
              (QStringList{u"SendWriteFile(a_w.csv)"_s, u"GetCommStatus()"_s,
                           u"SendDeleteFile(Art_D.CSW)"_s, u"GetCommStatus()"_s,
                           u"SendDeleteFile(b_d.csw)"_s}));
    EXPECT_FALSE(Exists("in", u"a_w.csv"_s));
    EXPECT_EQ(testing::ReadFile(PathIn("err", u"a_w.csv"_s)), "refused");
    EXPECT_TRUE(supervisor_.TransferRunning());
    EXPECT_EQ(supervisor_.CurrentFile(), u"b_d.csw"_s);
    EXPECT_TRUE(Exists("in", u"stock_w.txt"_s));
    // An older library says nothing: the program's own rule tells what to rename.
    EXPECT_EQ(SettledReason(settled, u"Art_D.CSW"_s, FileFate::MovedToError),
              u"Refused by the library: the name must contain \".csv\" or \".csw\" "
              "in lower case: rename it \"Art_D.csw\""_s);
    EXPECT_EQ(SettledReason(settled, u"a_w.csv"_s, FileFate::MovedToError),
              u"Refused by the library: no reason given"_s);
    EXPECT_TRUE(prompter_.messages.isEmpty());
}

TEST_F(TransferSupervisorTest, SuccessDeletesOrMovesTheFileAsTheOptionSaysAtThatTime) {
    Drop(u"p_w.csv"_s);
    Start();
    fake_->QueueStatuses({4});
    supervisor_.ScanTick();
    QSignalSpy settled(&supervisor_, &TransferSupervisor::FileSettled);
    supervisor_.StatusTick();
    EXPECT_FALSE(Exists("in", u"p_w.csv"_s));
    EXPECT_TRUE(QDir(settings_.outputDir).isEmpty());
    ASSERT_EQ(settled.size(), 1);
    EXPECT_EQ(settled[0][1].value<FileFate>(), FileFate::Deleted);

    // Moving replaces an older output file of the same name.
    settings_.deleteInputFile = false;
    Drop(u"q_w.csv"_s, "new");
    ASSERT_TRUE(testing::WriteFile(PathIn("out", u"q_w.csv"_s), "old content"));
    ScanTwice();
    supervisor_.StatusTick();
    EXPECT_FALSE(Exists("in", u"q_w.csv"_s));
    EXPECT_EQ(testing::ReadFile(PathIn("out", u"q_w.csv"_s)), "new");
    EXPECT_TRUE(QDir(settings_.errorDir).isEmpty());
}

TEST_F(TransferSupervisorTest, StopDuringATransferAsksAndNoKeepsEverythingRunning) {
    Drop(u"p_w.csv"_s);
    Start();
    fake_->QueueStatuses({2});
    supervisor_.ScanTick();
    // Asked even before the first poll: the hand-over alone means a transfer runs.
    prompter_.answers = {false};
    EXPECT_FALSE(supervisor_.SetMode());
    EXPECT_EQ(prompter_.questions, QStringList{Text(TextId::QuitBeforeTransferEnds)});
    EXPECT_TRUE(supervisor_.AutoModeOn());
    EXPECT_TRUE(supervisor_.StatusTimer().isActive());
    EXPECT_EQ(fake_->CountCalls(u"CloseDorvex"_s), 0);

    prompter_.answers = {true};
    EXPECT_TRUE(supervisor_.SetMode());
    EXPECT_FALSE(supervisor_.ScanTimer().isActive());
    EXPECT_FALSE(supervisor_.StatusTimer().isActive());
    EXPECT_EQ(fake_->Calls().last(), u"CloseDorvex()"_s);
    EXPECT_TRUE(Exists("in", u"p_w.csv"_s));

    // Idle, a stop asks nothing; a failed close is reported.
    Start();
    fake_->closeResult = -1;
    prompter_.questions.clear();
    EXPECT_TRUE(supervisor_.SetMode());
    EXPECT_TRUE(prompter_.questions.isEmpty());
    EXPECT_EQ(prompter_.messages, QStringList{Text(TextId::PortCloseFailed)});
    EXPECT_FALSE(supervisor_.AutoModeOn());
}

TEST_F(TransferSupervisorTest, AFileStillBeingWrittenWaitsAndAVanishedDirectoryIsQuiet) {
    Start();
    Drop(u"big_w.csv"_s, "first part\n");
    supervisor_.ScanTick();
    Drop(u"big_w.csv"_s, "second part\n");
    supervisor_.ScanTick();
    EXPECT_EQ(fake_->CountCalls(u"Send"_s), 0);
    supervisor_.ScanTick();
    EXPECT_EQ(fake_->Calls().last(), u"SendWriteFile(big_w.csv)"_s);
    fake_->QueueStatuses({4});
    supervisor_.StatusTick();
    ASSERT_TRUE(QDir(settings_.inputDir).removeRecursively());
    ScanTwice();
    EXPECT_EQ(fake_->CountCalls(u"Send"_s), 1);
    EXPECT_TRUE(prompter_.messages.isEmpty());
}

TEST_F(TransferSupervisorTest, UnmovableFileIsReportedOnceWithItsReasonAndKeptUntilItChanges) {
    Drop(u"p_w.csv"_s);
    Start();
    ASSERT_TRUE(QDir(settings_.errorDir).removeRecursively());  // the error directory vanishes
    fake_->sendResults.insert(u"p_w.csv"_s, -1);
    fake_->lastErrorText = u"a column without tag"_s;
    QSignalSpy settled(&supervisor_, &TransferSupervisor::FileSettled);
    supervisor_.ScanTick();
    EXPECT_EQ(
        prompter_.messages,
        QStringList{u"Impossible to move the faulty file \"p_w.csv\" to error directory !"_s});
    ASSERT_EQ(settled.size(), 1);
    EXPECT_EQ(settled[0][1].value<FileFate>(), FileFate::LeftInInput);
    EXPECT_EQ(settled[0][2].toString(),
              Text(TextId::RefusedByLibrary) + u"a column without tag; "_s +
                  Text(TextId::CouldNotBeMoved) + settings_.errorDir + u": no such directory"_s);
    EXPECT_TRUE(Exists("in", u"p_w.csv"_s));
    ScanTwice();
    EXPECT_EQ(fake_->CountCalls(u"SendWriteFile"_s), 1);
    EXPECT_EQ(prompter_.messages.size(), 1);

    ASSERT_TRUE(QDir(root_.Path()).mkdir(u"err"_s));
    Drop(u"p_w.csv"_s, "corrected\n");
    ScanTwice();
    EXPECT_EQ(fake_->CountCalls(u"SendWriteFile"_s), 2);
    EXPECT_TRUE(Exists("err", u"p_w.csv"_s));
}

TEST_F(TransferSupervisorTest, BackgroundPollsSettleAFileOnceAndAStopDropsThePollInFlight) {
    supervisor_.SetBackgroundPolling(true);
    Drop(u"p_w.csv"_s);
    Start();
    fake_->QueueStatuses({4});
    fake_->sent = 3;
    fake_->expected = 7;
    QSignalSpy settled(&supervisor_, &TransferSupervisor::FileSettled);
    QSignalSpy progress(&supervisor_, &TransferSupervisor::ProgressShown);
    supervisor_.ScanTick();
    supervisor_.StatusTick();
    supervisor_.StatusTick();  // a poll is in flight: no second one
    supervisor_.ScanTick();
    QDeadlineTimer deadline(5000);
    while (supervisor_.TransferRunning() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    supervisor_.StatusTick();
    EXPECT_EQ(fake_->CountCalls(u"GetCommStatus"_s), 1);
    EXPECT_EQ(settled.size(), 1);
    ASSERT_EQ(progress.size(), 1);
    EXPECT_EQ(progress[0][1].toInt(), 7);

    Drop(u"q_w.csv"_s);
    fake_->QueueStatuses({2});
    ScanTwice();
    supervisor_.StatusTick();
    EXPECT_TRUE(supervisor_.SetMode());  // the prompter answers Yes
    EXPECT_FALSE(supervisor_.PollInFlight());
    QCoreApplication::processEvents();  // the stale answer arrives and is dropped
    EXPECT_EQ(supervisor_.CachedStatus(), 0);
    EXPECT_TRUE(Exists("in", u"q_w.csv"_s));
}

TEST_F(TransferSupervisorTest,
       FailureOrAnUnknownStatusMovesTheFileToErrorSayingWhyOrWhatIsMissing) {
    settings_.deleteInputFile = false;
    Start();
    QSignalSpy settled(&supervisor_, &TransferSupervisor::FileSettled);
    // Drops the file and ends its transfer with `status` after it ran for one poll.
    auto transfer = [&](const QString& name, int status) {
        Drop(name);
        fake_->QueueStatuses({3, status});
        ScanTwice();
        supervisor_.StatusTick();
        EXPECT_TRUE(Exists("in", name));  // untouched while it runs
        supervisor_.StatusTick();
        EXPECT_FALSE(supervisor_.TransferRunning());
        EXPECT_TRUE(Exists("err", name));
        return SettledReason(settled, name, FileFate::MovedToError);
    };
    // Without the library's reason: the result file it should have written, then error.log.
    EXPECT_EQ(transfer(u"b_w.csw"_s, 5),
              u"Transfer ended with an error: no result file b_w_e.csw was written"_s);
    ASSERT_TRUE(testing::WriteFile(PathIn("err", u"c_w_e.csv"_s), {}));
    EXPECT_EQ(transfer(u"c_w.csv"_s, 5),
              Text(TextId::TransferEndedWithError) + Text(TextId::NoReasonSeeErrorLog));
    EXPECT_TRUE(Text(TextId::NoReasonSeeErrorLog).contains(u"error.log"_s));
    EXPECT_EQ(transfer(u"d_w.csv"_s, 7), u"Unknown transfer status 7"_s);
}

TEST_F(TransferSupervisorTest, FailedOpenReleasesTheEngineAndShowsItsMessageThenTheCause) {
    QStringList shown;
    QObject::connect(&supervisor_, &TransferSupervisor::Notice,
                     [&](const QString& text) { shown << prompter_.messages.join(u'|') << text; });
    settings_.ipAddress = u"127.0.0.1:5120"_s;
    supervisor_.SetMode();  // binds the library; then make its next open fail
    supervisor_.SetMode();
    fake_->openResult = -1;
    fake_->lastErrorText = u"Connecting to 127.0.0.1:5120 failed: connection refused"_s;
    QSignalSpy modes(&supervisor_, &TransferSupervisor::ModeChanged);
    EXPECT_FALSE(supervisor_.SetMode());
    EXPECT_FALSE(supervisor_.AutoModeOn());
    EXPECT_FALSE(supervisor_.ScanTimer().isActive());
    EXPECT_EQ(fake_->Calls().last(), u"CloseDorvex()"_s);
    ASSERT_EQ(modes.size(), 2);
    EXPECT_EQ(modes[1][0].value<PanelMode>(), PanelMode::Off);
    EXPECT_EQ(fake_->CountCalls(u"SetInputDir"_s), 1);  // only the first start
    // The message was already shown when the cause came.
    EXPECT_EQ(shown, (QStringList{Text(TextId::PortOpenFailed),
                                  u"Link not opened: Connecting to 127.0.0.1:5120 "
                                  "failed: connection refused"_s}));
}

}  // namespace
}  // namespace dorvex::panel
