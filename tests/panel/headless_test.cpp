#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "core/config_file.h"
#include "core/headless_runner.h"
#include "core/string_table.h"
#include "fake_dorvex_library.h"
#include "support/scale_sim_process.h"
#include "test_files.h"

namespace dorvex::panel {
namespace {

using testing::FakeDorvexLibrary;

QString PanelBinary() {
    return QDir(QStringLiteral(DORVEX_BIN_DIR)).filePath(QStringLiteral("dorvex-panel"));
}

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(testing::MakeTransferDirectories(root_.path())); }

    QString WriteConfig(int device, const QString& address = QStringLiteral("127.0.0.1")) {
        PanelSettings s;
        s.languageCode = kEnglish;
        s.drive = QStringLiteral("/");
        s.inputDir = root_.filePath(QStringLiteral("in"));
        s.outputDir = root_.filePath(QStringLiteral("out"));
        s.errorDir = root_.filePath(QStringLiteral("err"));
        s.deleteInputFile = false;
        s.scanInterval = 1;
        s.scanUnitIndex = 0;
        s.ipAddress = address;
        s.deviceIndex = device;
        s.unicode = false;
        s.timeoutIndex = 1;
        const QString path = root_.filePath(QStringLiteral("panel.cfg"));
        EXPECT_TRUE(ConfigFile::Write(path, s, nullptr));
        return path;
    }

    static QString ReadAll(std::FILE* file) {
        std::fflush(file);
        std::rewind(file);
        QByteArray bytes;
        char buffer[4096];
        size_t n = 0;
        while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            bytes.append(buffer, static_cast<qsizetype>(n));
        }
        return QString::fromUtf8(bytes);
    }

    QTemporaryDir root_;
};

TEST_F(HeadlessTest, SigtermStopsTheModeLikeStopAndSavesNothing) {
    const QString config = WriteConfig(3);
    const QByteArray saved = testing::ReadFile(config);
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    FakeDorvexLibrary* fake = nullptr;
    int code = -1;
    {
        HeadlessRunner runner(
            config, root_.path(),
            [&fake](QString&) -> std::unique_ptr<DorvexLibrary> {
                auto library = std::make_unique<FakeDorvexLibrary>();
                fake = library.get();
                return library;
            },
            out);
        QTimer::singleShot(50, [] { std::raise(SIGTERM); });
        code = runner.Run();
        ASSERT_NE(fake, nullptr);
        EXPECT_FALSE(runner.Supervisor().AutoModeOn());
        EXPECT_EQ(fake->Calls().last(), QStringLiteral("CloseDorvex()"));
        EXPECT_EQ(fake->Calls()[2], QStringLiteral("OpenDorvex(IPC,3,127.0.0.1,0,0,table.csv)"));
    }
    EXPECT_EQ(code, 0);
    const QString output = ReadAll(out);
    std::fclose(out);
    EXPECT_TRUE(output.contains(QStringLiteral("mode: pulling running"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("signal 15: stopping"))) << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("mode: No pulling"))) << output.toStdString();
    EXPECT_EQ(testing::ReadFile(config), saved);
}

// A runner on a fake library, driven tick by tick instead of by its event loop.
class HeadlessLogTest : public HeadlessTest {
  protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        out_ = std::tmpfile();
        ASSERT_NE(out_, nullptr);
    }
    void TearDown() override { std::fclose(out_); }

    std::unique_ptr<HeadlessRunner> MakeRunner(const QString& config,
                                               const QLocale& locale = QLocale::c()) {
        return std::make_unique<HeadlessRunner>(
            config, root_.path(),
            [this](QString&) -> std::unique_ptr<DorvexLibrary> {
                auto library = std::make_unique<FakeDorvexLibrary>();
                fake_ = library.get();
                return library;
            },
            out_, locale);
    }

    void Drop(const QString& name) {
        ASSERT_TRUE(testing::WriteFile(root_.filePath(QStringLiteral("in/") + name), "PLU\n1\n"));
    }

    QString Output() { return ReadAll(out_); }

    std::FILE* out_ = nullptr;
    FakeDorvexLibrary* fake_ = nullptr;
};

TEST_F(HeadlessLogTest, WithoutASettingsFileTheSystemsLanguageIsSpoken) {
    const QString none = root_.filePath(QStringLiteral("none.cfg"));
    {
        auto runner = MakeRunner(none, QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(runner->Settings().languageCode, kEnglish);
        EXPECT_EQ(runner->Run(), 1);  // no scale number
    }
    {
        auto runner = MakeRunner(none, QLocale(QLocale::French, QLocale::Belgium));
        EXPECT_EQ(runner->Settings().languageCode, kFrench);
        EXPECT_EQ(runner->Run(), 1);
    }
    const QString output = Output();
    EXPECT_TRUE(output.contains(QStringLiteral("message: Please select a scale n° !")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral("message: Sélectionner un n° de balance !")))
        << output.toStdString();
}

TEST_F(HeadlessLogTest, TheLogNamesEachFailedFileWithItsReasonAndTheWaitOnceAMinute) {
    Drop(QStringLiteral("prices_w.csv"));
    Drop(QStringLiteral("whole_r.csv"));
    auto runner = MakeRunner(WriteConfig(3));
    TransferSupervisor& supervisor = runner->Supervisor();
    ASSERT_TRUE(supervisor.SetMode());
    fake_->sendResults.insert(QStringLiteral("prices_w.csv"), -1);
    fake_->lastErrorText = QStringLiteral("no table of table.csv is named in the file name");
    fake_->QueueStatuses({3});
    supervisor.ScanTick();  // prices_w.csv refused, whole_r.csv handed over
    for (int waited : {1000, 30000, 60500, 61000, 90000, 120000, 121000}) {
        fake_->SetReplyWait(waited, 9000000);
        supervisor.StatusTick();
    }
    fake_->SetReplyWait(0, 0);
    fake_->transferErrorText = QStringLiteral("no reply to request 1 of 1 within 9000000 ms");
    fake_->QueueStatuses({5});
    supervisor.StatusTick();
    const QString output = Output();
    EXPECT_TRUE(output.contains(QStringLiteral(
        "file prices_w.csv: moved to the error directory: Refused by the library: no table of "
        "table.csv is named in the file name")))
        << output.toStdString();
    EXPECT_TRUE(output.contains(QStringLiteral(
        "file whole_r.csv: moved to the error directory: Transfer ended with an error: no reply "
        "to request 1 of 1 within 9000000 ms")))
        << output.toStdString();
    EXPECT_EQ(output.count(QStringLiteral("waiting for the scale's reply, ")), 2)
        << output.toStdString();
    EXPECT_TRUE(
        output.contains(QStringLiteral("waiting for the scale's reply, 60 s (limit 9000 s)")));
    EXPECT_TRUE(
        output.contains(QStringLiteral("waiting for the scale's reply, 120 s (limit 9000 s)")));
}

TEST_F(HeadlessTest, ProgramRefusesABadReplyTimeoutAndFailsWithoutAScaleNumber) {
    if (!QFile::exists(PanelBinary())) {
        GTEST_SKIP() << "dorvex-panel is not built";
    }
    for (const char* value : {"0", "-5", "5s", "99999999999"}) {
        QProcess panel;
        panel.start(PanelBinary(), {QStringLiteral("--headless"), QStringLiteral("--reply-timeout"),
                                    QString::fromLatin1(value)});
        ASSERT_TRUE(panel.waitForFinished(10000));
        EXPECT_EQ(panel.exitCode(), 2) << value;
        EXPECT_TRUE(panel.readAllStandardError().contains("--reply-timeout")) << value;
    }
    QProcess panel;
    panel.start(PanelBinary(),
                {QStringLiteral("--headless"), QStringLiteral("--config"), WriteConfig(-1)});
    ASSERT_TRUE(panel.waitForFinished(10000));
    EXPECT_EQ(panel.exitCode(), 1);
    EXPECT_TRUE(panel.readAllStandardOutput().contains("message: Please select a scale n° !"));
}

TEST_F(HeadlessTest, ProgramMovesADroppedFileAndStopsOnSigterm) {
    if (!QFile::exists(PanelBinary()) ||
        !QFile::exists(QStringLiteral(DORVEX_BIN_DIR "/dorvex-scale-sim"))) {
        GTEST_SKIP() << "dorvex-panel or dorvex-scale-sim is not built";
    }
    dorvex::test::ScaleSimProcess simulator({"--tables", DORVEX_SAMPLES_DIR "/table.csv"});
    ASSERT_TRUE(simulator.Started());
    QProcess panel;
    panel.setProcessChannelMode(QProcess::MergedChannels);
    panel.start(PanelBinary(),
                {QStringLiteral("--headless"), QStringLiteral("--config"),
                 WriteConfig(1, QStringLiteral("127.0.0.1:%1").arg(simulator.Port()))});
    ASSERT_TRUE(panel.waitForStarted(5000));
    ASSERT_TRUE(QFile::copy(QStringLiteral(DORVEX_SAMPLES_DIR "/articles_w.csv"),
                            root_.filePath(QStringLiteral("in/articles_w.csv"))));
    const QString result = root_.filePath(QStringLiteral("out/articles_w_a.csv"));
    QDeadlineTimer deadline(30000);
    while (QFile::exists(root_.filePath(QStringLiteral("in/articles_w.csv"))) &&
           panel.state() == QProcess::Running && !deadline.hasExpired()) {
        panel.waitForReadyRead(100);
    }
    panel.terminate();  // SIGTERM
    panel.waitForFinished(10000);
    const QString output = QString::fromUtf8(panel.readAll());
    ASSERT_EQ(panel.state(), QProcess::NotRunning) << output.toStdString();
    if (output.contains(StringTable::Text(kEnglish, TextId::LibraryUnusable)) ||
        output.contains(StringTable::Text(kEnglish, TextId::PortOpenFailed))) {
        GTEST_SKIP() << "the library cannot reach the simulator yet: " << output.toStdString();
    }
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);
    EXPECT_TRUE(
        output.contains(QStringLiteral("file articles_w.csv: moved to the output directory")))
        << output.toStdString();
    EXPECT_TRUE(QFile::exists(root_.filePath(QStringLiteral("out/articles_w.csv"))));
    EXPECT_TRUE(QFile::exists(result));
    EXPECT_TRUE(QDir(root_.filePath(QStringLiteral("err"))).isEmpty()) << output.toStdString();
}

}  // namespace
}  // namespace dorvex::panel
