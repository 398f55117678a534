#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include "core/headless_runner.h"
#include "core/string_table.h"
#include "fake_dorvex_library.h"
#include "simulator_process.h"

namespace dorvex::panel {
namespace {

using testing::FakeDorvexLibrary;

QString PanelBinary() {
    return QDir(QStringLiteral(DORVEX_BIN_DIR)).filePath(QStringLiteral("dorvex-panel"));
}

class HeadlessTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"in", "out", "err"}) {
            ASSERT_TRUE(QDir(root_.path()).mkdir(QString::fromLatin1(name)));
        }
    }

    QString WriteConfig(const QString& device,
                        const QString& address = QStringLiteral("127.0.0.1")) {
        const QString path = root_.filePath(QStringLiteral("panel.cfg"));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        const QStringList lines{QStringLiteral("44"),
                                QStringLiteral("/"),
                                root_.filePath(QStringLiteral("in")),
                                root_.filePath(QStringLiteral("out")),
                                root_.filePath(QStringLiteral("err")),
                                QStringLiteral("0"),
                                QStringLiteral("1"),
                                QStringLiteral("0"),
                                QStringLiteral("50"),
                                QStringLiteral("0"),
                                QStringLiteral("0"),
                                address,
                                device,
                                QStringLiteral("|"),
                                QStringLiteral("0"),
                                QStringLiteral("1"),
                                QStringLiteral("0")};
        file.write(lines.join(QStringLiteral("\r\n")).toUtf8());
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
    const QString config = WriteConfig(QStringLiteral("3"));
    QFile before(config);
    ASSERT_TRUE(before.open(QIODevice::ReadOnly));
    const QByteArray saved = before.readAll();
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
    QFile file(config);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), saved);
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
        QFile file(root_.filePath(QStringLiteral("in/") + name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("PLU\n1\n");
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
    auto runner = MakeRunner(WriteConfig(QStringLiteral("3")));
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

TEST_F(HeadlessLogTest, AFailedOpenIsFollowedByItsCauseAndAddress) {
    auto runner = MakeRunner(WriteConfig(QStringLiteral("3"), QStringLiteral("127.0.0.1:5120")));
    TransferSupervisor& supervisor = runner->Supervisor();
    supervisor.SetReplyTimeout(2000);
    ASSERT_TRUE(supervisor.SetMode());
    ASSERT_TRUE(supervisor.SetMode());
    fake_->openResult = -1;
    fake_->lastErrorText =
        QStringLiteral("Connecting to 127.0.0.1:5120 failed: connection refused");
    EXPECT_FALSE(supervisor.SetMode());
    EXPECT_EQ(fake_->CountCalls(QStringLiteral("SetReplyTimeout(2000,2000)")), 2);
    const QString output = Output();
    const qsizetype message = output.lastIndexOf(StringTable::Text(kEnglish, 203));
    const qsizetype cause = output.indexOf(
        QStringLiteral("Link not opened: Connecting to 127.0.0.1:5120 failed: connection refused"));
    ASSERT_GE(message, 0) << output.toStdString();
    EXPECT_GT(cause, message) << output.toStdString();
    // This fake has no reply timeout export: the log says the library's own limits apply.
    EXPECT_TRUE(output.contains(StringTable::Text(kEnglish, 231))) << output.toStdString();
}

TEST_F(HeadlessTest, ProgramRefusesAReplyTimeoutThatIsNoNumber) {
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
}

TEST_F(HeadlessTest, ProgramWithoutAScaleNumberReportsItAndFails) {
    if (!QFile::exists(PanelBinary())) {
        GTEST_SKIP() << "dorvex-panel is not built";
    }
    QProcess panel;
    panel.start(PanelBinary(), {QStringLiteral("--headless"), QStringLiteral("--config"),
                                WriteConfig(QStringLiteral("-1"))});
    ASSERT_TRUE(panel.waitForFinished(10000));
    EXPECT_EQ(panel.exitCode(), 1);
    const QString output = QString::fromUtf8(panel.readAllStandardOutput());
    EXPECT_TRUE(output.contains(QStringLiteral("message: Please select a scale n° !")))
        << output.toStdString();
}

TEST_F(HeadlessTest, ProgramMovesADroppedFileAndStopsOnSigterm) {
    if (const QString reason = testing::SimulatorProcess::SkipReason(); !reason.isEmpty()) {
        GTEST_SKIP() << reason.toStdString();
    }
    if (!QFile::exists(PanelBinary())) {
        GTEST_SKIP() << "dorvex-panel is not built";
    }
    testing::SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Start());
    QProcess panel;
    panel.setProcessChannelMode(QProcess::MergedChannels);
    panel.start(PanelBinary(), {QStringLiteral("--headless"), QStringLiteral("--config"),
                                WriteConfig(QStringLiteral("1"),
                                            QStringLiteral("127.0.0.1:%1").arg(simulator.Port()))});
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
    if (output.contains(StringTable::Text(kEnglish, 215)) ||
        output.contains(StringTable::Text(kEnglish, 203))) {
        GTEST_SKIP() << "the library cannot reach the simulator yet: " << output.toStdString();
    }
    EXPECT_EQ(panel.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(panel.exitCode(), 0);
    EXPECT_TRUE(
        output.contains(QStringLiteral("file articles_w.csv: moved to the output directory")))
        << output.toStdString();
    EXPECT_TRUE(QFile::exists(root_.filePath(QStringLiteral("out/articles_w.csv"))));
    EXPECT_TRUE(QFile::exists(result));
}

}  // namespace
}  // namespace dorvex::panel
