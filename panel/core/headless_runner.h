#pragma once

#include <QLocale>
#include <QObject>
#include <QString>

#include <memory>

#include "console_prompter.h"
#include "dorvex_library.h"
#include "panel_settings.h"
#include "reply_wait_log.h"
#include "transfer_supervisor.h"

namespace dorvex::panel {

// The automatic mode without a window, for servers and services: the saved settings, state
// changes and messages on standard output, with the reason of every file that failed and, once
// a minute, the wait for a reply that is late; SIGTERM or SIGINT stop the mode as "Stop" does.
// Nothing is saved. Without a settings file it speaks the system's language.
class HeadlessRunner : public QObject {
    Q_OBJECT

  public:
    HeadlessRunner(const QString& configPath, const QString& programDir, LibraryLoader loader,
                   std::FILE* out = stdout, const QLocale& systemLocale = QLocale::system());
    // Starts the mode and runs the event loop until a stop; the process's exit code.
    int Run();
    // Stops the mode and ends the event loop.
    void Stop();
    const PanelSettings& Settings() const { return settings_; }
    TransferSupervisor& Supervisor() { return supervisor_; }

  private:
    void LoadSettings(const QString& configPath, const QString& programDir,
                      const QLocale& systemLocale);
    void ReportWait(int waitedMilliseconds, int limitMilliseconds);
    void Report();
    QString Text(TextId id) const;

    ConsolePrompter console_;
    PanelSettings settings_;
    TransferSupervisor supervisor_;
    ReplyWaitLog waitLog_;
};

}  // namespace dorvex::panel
