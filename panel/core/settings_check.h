#pragma once

#include <QList>

#include <optional>

#include "panel_settings.h"

namespace dorvex::panel {

// The window's tabs, in their order.
enum class SettingsTab { Directories = 0, Timers = 1, Options = 2, Communication = 3 };

// A setting that the start of the automatic mode would refuse: the message it shows and the
// tab that holds the control.
struct MissingSetting {
    TextId message;
    SettingsTab tab;
    bool operator==(const MissingSetting&) const = default;
};

// The checks made when the automatic mode starts.
class SettingsCheck {
  public:
    // Every check that fails, in the order the start makes them (scale number, IP address, time
    // unit, directories, timeout); the start shows the first one's message.
    static QList<MissingSetting> Missing(const PanelSettings& settings);
    // The leftmost tab that holds a missing setting.
    static std::optional<SettingsTab> FirstTab(const QList<MissingSetting>& missing);
};

}  // namespace dorvex::panel
