// The real library and the scale simulator: a file dropped into the input directory ends in
// the output directory with its result file.
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "core/shared_dorvex_library.h"
#include "core/transfer_supervisor.h"
#include "fake_prompter.h"
#include "simulator_process.h"

namespace dorvex::panel {
namespace {

using testing::FakePrompter;
using testing::SimulatorProcess;

QString LibraryPath() {
    return QDir(QStringLiteral(DORVEX_BIN_DIR)).filePath(QStringLiteral("libdorvex.so"));
}

TEST(PanelIntegrationTest, DroppedFileEndsInTheOutputDirectoryWithItsResult) {
    if (const QString reason = SimulatorProcess::SkipReason(); !reason.isEmpty()) {
        GTEST_SKIP() << reason.toStdString();
    }
    QString loadError;
    if (!SharedDorvexLibrary::Load({LibraryPath()}, loadError)) {
        GTEST_SKIP() << "libdorvex.so cannot be bound yet: " << loadError.toStdString();
    }
    SimulatorProcess simulator;
    ASSERT_TRUE(simulator.Start());

    QTemporaryDir root;
    for (const char* name : {"in", "out", "err"}) {
        ASSERT_TRUE(QDir(root.path()).mkdir(QString::fromLatin1(name)));
    }
    PanelSettings settings;
    settings.languageCode = kEnglish;
    settings.inputDir = root.filePath(QStringLiteral("in"));
    settings.outputDir = root.filePath(QStringLiteral("out"));
    settings.errorDir = root.filePath(QStringLiteral("err"));
    settings.deleteInputFile = false;
    settings.deviceIndex = 1;
    settings.ipAddress = QStringLiteral("127.0.0.1:%1").arg(simulator.Port());
    settings.scanUnitIndex = 0;
    settings.timeoutIndex = 2;
    settings.unicode = false;

    FakePrompter prompter;
    TransferSupervisor supervisor(
        [](QString& error) { return SharedDorvexLibrary::Load({LibraryPath()}, error); }, prompter,
        [&] { return settings; });
    supervisor.SetLanguage(kEnglish);
    if (!supervisor.SetMode()) {
        GTEST_SKIP() << "the library cannot open a link to the simulator yet: "
                     << prompter.messages.join(QStringLiteral(" / ")).toStdString();
    }
    ASSERT_TRUE(QFile::copy(QStringLiteral(DORVEX_SAMPLES_DIR "/articles_w.csv"),
                            root.filePath(QStringLiteral("in/articles_w.csv"))));
    supervisor.ScanTick();  // seen
    supervisor.ScanTick();  // taken
    if (!supervisor.TransferRunning()) {
        supervisor.SetMode();
        GTEST_SKIP() << "the library cannot start a write transfer yet";
    }
    QDeadlineTimer deadline(30000);
    while (supervisor.TransferRunning() && !deadline.hasExpired()) {
        supervisor.StatusTick();  // 200 ms inside the library
    }
    EXPECT_FALSE(supervisor.TransferRunning());
    EXPECT_EQ(supervisor.CachedStatus(), 4);
    EXPECT_FALSE(QFile::exists(root.filePath(QStringLiteral("in/articles_w.csv"))));
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("out/articles_w.csv"))));
    EXPECT_TRUE(QFile::exists(root.filePath(QStringLiteral("out/articles_w_a.csv"))));
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("err"))).isEmpty());
    EXPECT_TRUE(prompter.messages.isEmpty()) << prompter.messages.join('\n').toStdString();
    EXPECT_TRUE(supervisor.SetMode());
}

}  // namespace
}  // namespace dorvex::panel
