#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "console_prompter.h"
#include "dorvex_library.h"
#include "panel_settings.h"
#include "transfer_supervisor.h"

namespace dorvex::panel {

// The automatic mode without a window, for servers and services: the saved settings, state
// changes and messages on standard output; SIGTERM or SIGINT stop the mode as "Stop" does.
// Nothing is saved.
class HeadlessRunner : public QObject {
    Q_OBJECT

  public:
    HeadlessRunner(const QString& configPath, const QString& programDir, LibraryLoader loader,
                   std::FILE* out = stdout);
    // Starts the mode and runs the event loop until a stop; the process's exit code.
    int Run();
    // Stops the mode and ends the event loop.
    void Stop();
    const PanelSettings& Settings() const { return settings_; }
    TransferSupervisor& Supervisor() { return supervisor_; }

  private:
    void LoadSettings(const QString& configPath, const QString& programDir);
    void Report();
    QString Text(int n) const;

    ConsolePrompter console_;
    PanelSettings settings_;
    TransferSupervisor supervisor_;
};

}  // namespace dorvex::panel
