// dorvex-panel: the desktop program, or with --headless the automatic mode without a window.
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QTabWidget>

#include <algorithm>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/config_locator.h"
#include "core/headless_runner.h"
#include "core/shared_dorvex_library.h"
#include "core/termination_signals.h"
#include "ui/main_window.h"

namespace {

struct Arguments {
    bool headless = false;
    QString configPath;  // empty: Dorvex.cfg found by ConfigLocator
    std::optional<int> replyTimeoutMs;
    QString screenshotPath;  // save a picture of the window there and quit
    int screenshotTab = 0;
    int screenshotWaitMs = 0;   // let the automatic mode work this long first
    QString logScreenshotPath;  // and a picture of error.log in the viewer
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: dorvex-panel [--headless] [--config FILE] [--reply-timeout MS]\n"
                 "  --headless     run the automatic mode with the saved settings, no window;\n"
                 "                 SIGTERM or SIGINT stop it\n"
                 "  --config FILE  settings file instead of Dorvex.cfg (beside the program, else\n"
                 "                 ~/.config/dorvex, else /etc/dorvex)\n"
                 "  --reply-timeout MS\n"
                 "                 wait at most MS milliseconds for each reply of the scale, for\n"
                 "                 rows and whole tables alike (the library's defaults: 5000 ms\n"
                 "                 per row, 9000000 ms per whole table)\n"
                 "  --screenshot FILE [--tab N] [--wait MS] [--log-screenshot FILE2]\n"
                 "                 save a PNG picture of the window (tab N shown, after MS ms of\n"
                 "                 work; error.log in the viewer into FILE2) and quit\n");
}

// A whole number of milliseconds from 1 up.
std::optional<int> ParseMilliseconds(const char* text) {
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || value < 1 || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

// Qt's own options (-platform ...) are left to the application object.
std::optional<Arguments> ParseArguments(int argc, char** argv) {
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0) {
            arguments.headless = true;
        } else if (std::strcmp(argv[i], "--config") == 0) {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "dorvex-panel: --config needs a file name\n");
                return std::nullopt;
            }
            arguments.configPath = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--reply-timeout") == 0) {
            const auto milliseconds = i + 1 < argc ? ParseMilliseconds(argv[++i]) : std::nullopt;
            if (!milliseconds) {
                std::fprintf(stderr,
                             "dorvex-panel: --reply-timeout needs a number of milliseconds "
                             "from 1 to %d\n",
                             INT_MAX);
                return std::nullopt;
            }
            arguments.replyTimeoutMs = milliseconds;
        } else if (std::strcmp(argv[i], "--wait") == 0 && i + 1 < argc) {
            arguments.screenshotWaitMs = std::max(0, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--log-screenshot") == 0 && i + 1 < argc) {
            arguments.logScreenshotPath = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            arguments.screenshotPath = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--tab") == 0 && i + 1 < argc) {
            arguments.screenshotTab = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            PrintUsage(stdout);
            std::exit(0);
        }
    }
    return arguments;
}

dorvex::panel::LibraryLoader LoaderFor(const QString& programDir) {
    return [programDir](QString& error) {
        return dorvex::panel::SharedDorvexLibrary::Load(
            dorvex::panel::SharedDorvexLibrary::DefaultCandidates(programDir), error);
    };
}

QString ConfigPath(const Arguments& arguments, const QString& programDir) {
    if (arguments.configPath.isEmpty()) {
        return dorvex::panel::ConfigLocator::ForProgram(programDir).ReadPath();
    }
    return QDir::current().absoluteFilePath(arguments.configPath);
}

// A file named with --config is saved where it is; the default one moves to the user's
// configuration directory when its own place cannot be written.
QString SaveConfigPath(const Arguments& arguments, const QString& programDir,
                       const QString& configPath) {
    if (!arguments.configPath.isEmpty()) {
        return configPath;
    }
    return dorvex::panel::ConfigLocator::ForProgram(programDir).WritePath(configPath);
}

void ProcessEventsFor(int milliseconds) {
    QDeadlineTimer deadline(milliseconds);
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    } while (!deadline.hasExpired());
}

bool SavePicture(QWidget& widget, const QString& path) {
    if (widget.grab().save(path, "PNG")) {
        return true;
    }
    std::fprintf(stderr, "dorvex-panel: cannot save %s\n", path.toLocal8Bit().constData());
    return false;
}

int SaveScreenshots(dorvex::panel::MainWindow& window, const Arguments& arguments) {
    window.show();
    ProcessEventsFor(std::max(arguments.screenshotWaitMs, 200));
    if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))) {
        tabs->setCurrentIndex(arguments.screenshotTab);
    }
    ProcessEventsFor(200);
    bool saved = SavePicture(window, arguments.screenshotPath);
    if (!arguments.logScreenshotPath.isEmpty()) {
        QWidget* viewer = window.OpenFile(
            QDir(window.ReadSettings().errorDir).filePath(QStringLiteral("error.log")));
        ProcessEventsFor(200);
        saved = SavePicture(*viewer, arguments.logScreenshotPath) && saved;
    }
    // A picture is not a session: the mode stops without saving the settings.
    window.Terminate();
    return saved ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const auto arguments = ParseArguments(argc, argv);
    if (!arguments) {
        PrintUsage(stderr);
        return 2;
    }
    if (arguments->headless) {
        QCoreApplication app(argc, argv);
        const QString programDir = QCoreApplication::applicationDirPath();
        dorvex::panel::HeadlessRunner runner(ConfigPath(*arguments, programDir), programDir,
                                             LoaderFor(programDir));
        runner.Supervisor().SetReplyTimeout(arguments->replyTimeoutMs);
        return runner.Run();
    }
    QApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString configPath = ConfigPath(*arguments, programDir);
    dorvex::panel::MainWindow::Options options{programDir, configPath,
                                               SaveConfigPath(*arguments, programDir, configPath),
                                               LoaderFor(programDir)};
    options.replyTimeoutMs = arguments->replyTimeoutMs;
    dorvex::panel::MainWindow window(std::move(options));
    // SIGTERM and SIGINT stop the mode as "Stop" does and end the program, saving nothing.
    dorvex::panel::TerminationSignals signals_;
    QObject::connect(&signals_, &dorvex::panel::TerminationSignals::Received, &window,
                     [&window] { window.Terminate(); });
    window.LoadSettings();
    if (!arguments->screenshotPath.isEmpty()) {
        return SaveScreenshots(window, *arguments);
    }
    if (window.StartsMinimized()) {
        window.showMinimized();
    } else {
        window.show();
    }
    return app.exec();
}
