#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include "core/config_file.h"
#include "core/headless_runner.h"
#include "core/string_table.h"
#include "fake_dorvex_library.h"
#include "support/scale_sim_process.h"
#include "test_files.h"

namespace dorvex::panel {

using namespace Qt::StringLiterals;
namespace {

using testing::FakeDorvexLibrary;

QString PanelBinary() {
    return QDir(QStringLiteral(DORVEX_BIN_DIR)).filePath(u"dorvex-panel"_s);
}

// Runners on a fake library, driven by their event loop or tick by tick; the programs too.
class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(out_, nullptr); }

    QString WriteConfig(const QString& address = u"127.0.0.1"_s) {
        PanelSettings s = testing::RunnableSettings(root_.Path());
        s.drive = u"/"_s;
        s.deleteInputFile = false;
        s.scanInterval = 1;
        s.ipAddress = address;
        s.deviceIndex = 1;
        s.unicode = false;  // the samples are 8-bit text
        const QString path = root_.FilePath(u"panel.cfg"_s);
        EXPECT_TRUE(ConfigFile::Write(path, s, nullptr));
        return path;
    }

    void Drop(const QString& name) {
        ASSERT_TRUE(testing::WriteFile(root_.FilePath(u"in/"_s + name), "PLU\n1\n"));
    }

    // What the runners printed so far.
    QString Output() {
        std::fflush(out_.get());
        std::rewind(out_.get());
        QFile file;
        return file.open(out_.get(), QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll())
                                                          : QString();
    }

    testing::TestDir root_;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> out_{std::tmpfile(), &std::fclose};
    FakeDorvexLibrary* fake_ = nullptr;
};

TEST_F(HeadlessTest, TheLogNamesEachFailedFileWithItsReasonAndTheWaitOnceAMinute) {
    Drop(u"prices_w.csv"_s);
    Drop(u"whole_r.csv"_s);
    HeadlessRunner runner(WriteConfig(), root_.Path(), testing::FakeLoader(fake_), out_.get(),
                          QLocale::c());
    TransferSupervisor& supervisor = runner.Supervisor();
    ASSERT_TRUE(supervisor.SetMode());
    fake_->sendResults.insert(u"prices_w.csv"_s, -1);
    fake_->lastErrorText = u"no table of table.csv is named in the file name"_s;
    fake_->QueueStatuses({3});
    supervisor.ScanTick();  // prices_w.csv refused, whole_r.csv handed over
    fake_->replyLimit = 9000000;
    for (int waited : {1000, 30000, 60500, 61000, 90000, 120000, 121000}) {
        fake_->replyWaited = waited;
        supervisor.StatusTick();
    }
    fake_->replyLimit = 0;
    fake_->transferErrorText = u"no reply to request 1 of 1 within 9000000 ms"_s;
    fake_->QueueStatuses({5});
    supervisor.StatusTick();
    const QString output = Output();
    EXPECT_TRUE(output.contains(
        u"file prices_w.csv: moved to the error directory: Refused by the library: no table of "
        "table.csv is named in the file name"_s))
        << output.toStdString();
    EXPECT_TRUE(output.contains(
        u"file whole_r.csv: moved to the error directory: Transfer ended with an error: no reply "
        "to request 1 of 1 within 9000000 ms"_s))
        << output.toStdString();
    EXPECT_EQ(output.count(u"waiting for the scale's reply, "_s), 2) << output.toStdString();
    EXPECT_TRUE(output.contains(u"waiting for the scale's reply, 60 s (limit 9000 s)"_s));
    EXPECT_TRUE(output.contains(u"waiting for the scale's reply, 120 s (limit 9000 s)"_s));
}

TEST_F(HeadlessTest, ProgramRefusesABadReplyTimeout) {
    for (const char* value : {"0", "-5", "5s", "99999999999"}) {
        QProcess panel;
        panel.start(PanelBinary(),
                    {u"--headless"_s, u"--reply-timeout"_s, QString::fromLatin1(value)});
        ASSERT_TRUE(panel.waitForFinished(10000));
        EXPECT_EQ(panel.exitCode(), 2) << value;
        EXPECT_TRUE(panel.readAllStandardError().contains("--reply-timeout")) << value;
    }
}

TEST_F(HeadlessTest, ProgramMovesADroppedFileAndStopsOnSigterm) {
    if (!QFile::exists(QStringLiteral(DORVEX_BIN_DIR "/dorvex-scale-sim"))) {
        GTEST_SKIP() << "dorvex-scale-sim is not built";
    }
    dorvex::test::ScaleSimProcess simulator({"--tables", DORVEX_SAMPLES_DIR "/table.csv"});
    ASSERT_TRUE(simulator.Started());
    QProcess panel;
    panel.setProcessChannelMode(QProcess::MergedChannels);
    panel.start(PanelBinary(), {u"--headless"_s, u"--config"_s,
                                WriteConfig(u"127.0.0.1:%1"_s.arg(simulator.Port()))});
    ASSERT_TRUE(panel.waitForStarted(5000));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DORVEX_SAMPLES_DIR "/articles_w.csv"),
                            root_.FilePath(u"in/articles_w.csv"_s)));
    const QString result = root_.FilePath(u"out/articles_w_a.csv"_s);
    QDeadlineTimer deadline(30000);
    while (QFile::exists(root_.FilePath(u"in/articles_w.csv"_s)) &&
           panel.state() == QProcess::Running && !deadline.hasExpired()) {
        panel.waitForReadyRead(100);
    }
    panel.terminate();  // SIGTERM
    panel.waitForFinished(10000);
    const QString output = QString::fromUtf8(panel.readAll());
    ASSERT_EQ(panel.state(), QProcess::NotRunning) << output.toStdString();
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);
    EXPECT_TRUE(output.contains(u"file articles_w.csv: moved to the output directory"_s))
        << output.toStdString();
    EXPECT_TRUE(QFile::exists(root_.FilePath(u"out/articles_w.csv"_s)));
    EXPECT_TRUE(QFile::exists(result));
    EXPECT_TRUE(QDir(root_.FilePath(u"err"_s)).isEmpty()) << output.toStdString();
}

}  // namespace
}  // namespace dorvex::panel
