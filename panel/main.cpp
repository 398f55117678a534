// dorvex-panel: the desktop program, or with --headless the automatic mode without a window.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QTabWidget>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "core/config_locator.h"
#include "core/headless_runner.h"
#include "core/shared_dorvex_library.h"
#include "ui/main_window.h"

namespace {

struct Arguments {
    bool headless = false;
    QString configPath;      // empty: Dorvex.cfg found by ConfigLocator
    QString screenshotPath;  // save a picture of the window there and quit
    int screenshotTab = 0;
};

void PrintUsage(std::FILE* out) {
    std::fprintf(out,
                 "usage: dorvex-panel [--headless] [--config FILE]\n"
                 "  --headless     run the automatic mode with the saved settings, no window;\n"
                 "                 SIGTERM or SIGINT stop it\n"
                 "  --config FILE  settings file instead of Dorvex.cfg (beside the program, else\n"
                 "                 ~/.config/dorvex, else /etc/dorvex)\n"
                 "  --screenshot FILE [--tab N]\n"
                 "                 save a PNG picture of the window (tab N shown) and quit\n");
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

int SaveScreenshot(dorvex::panel::MainWindow& window, const QString& path, int tab) {
    if (auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"))) {
        tabs->setCurrentIndex(tab);
    }
    window.show();
    for (int i = 0; i < 10; ++i) {
        QCoreApplication::processEvents();
    }
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "dorvex-panel: cannot save %s\n", path.toLocal8Bit().constData());
        return 1;
    }
    return 0;
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
        return runner.Run();
    }
    QApplication app(argc, argv);
    const QString programDir = QCoreApplication::applicationDirPath();
    const QString configPath = ConfigPath(*arguments, programDir);
    dorvex::panel::MainWindow window({programDir, configPath,
                                      SaveConfigPath(*arguments, programDir, configPath),
                                      LoaderFor(programDir)});
    window.LoadSettings();
    if (!arguments->screenshotPath.isEmpty()) {
        return SaveScreenshot(window, arguments->screenshotPath, arguments->screenshotTab);
    }
    if (window.StartsMinimized()) {
        window.showMinimized();
    } else {
        window.show();
    }
    return app.exec();
}
