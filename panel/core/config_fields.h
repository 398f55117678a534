#pragma once

#include <QString>

#include <array>
#include <optional>
#include <variant>

#include "panel_settings.h"

namespace dorvex::panel {

// How a line of "Dorvex.cfg" is read and written. A line that fails its check leaves the
// setting at its value in PanelSettings (the window's state without a file).
enum class FieldType {
    Language,   // a 16-bit number; an unknown code reads as French
    Drive,      // a volume; an unavailable one reads as the program's; moves the directories
    Directory,  // an absolute path, taken when it exists; a relative one reads as the program's
    Flag,       // written "-1" or "0"; read as true/false or any 32-bit number
    CheckBox,   // written and read as 0 or 1
    Index,      // a 16-bit number within [min, max]
    Number,     // a number within [min, max]
    Text,       // taken as it is; written empty when it holds a line break
};

using SettingMember = std::variant<int PanelSettings::*, bool PanelSettings::*,
                                   QString PanelSettings::*, std::optional<bool> PanelSettings::*>;

// One line of the settings file: its number (from 1), what it holds and the setting it fills.
struct ConfigField {
    const char* name;
    int line;
    FieldType type;
    SettingMember member;
    int min = 0;
    int max = 0;
};

// The lines in their order; load and save both go through this table.
inline const std::array kConfigFields{
    ConfigField{"language", 1, FieldType::Language, &PanelSettings::languageCode},
    ConfigField{"drive", 2, FieldType::Drive, &PanelSettings::drive},
    ConfigField{"input directory", 3, FieldType::Directory, &PanelSettings::inputDir},
    ConfigField{"output directory", 4, FieldType::Directory, &PanelSettings::outputDir},
    ConfigField{"error directory", 5, FieldType::Directory, &PanelSettings::errorDir},
    ConfigField{"delete input file", 6, FieldType::Flag, &PanelSettings::deleteInputFile},
    ConfigField{"scan interval", 7, FieldType::Number, &PanelSettings::scanInterval,
                PanelSettings::kScanIntervalMin, PanelSettings::kScanIntervalMax},
    ConfigField{"scan unit", 8, FieldType::Index, &PanelSettings::scanUnitIndex, -1, 1},
    ConfigField{"status interval", 9, FieldType::Number, &PanelSettings::statusIntervalMs,
                PanelSettings::kStatusIntervalMin, PanelSettings::kStatusIntervalMax},
    ConfigField{"automatic start", 10, FieldType::CheckBox, &PanelSettings::autoStart},
    ConfigField{"minimized window", 11, FieldType::CheckBox, &PanelSettings::minimizedWindow},
    ConfigField{"IP address", 12, FieldType::Text, &PanelSettings::ipAddress},
    ConfigField{"scale number", 13, FieldType::Index, &PanelSettings::deviceIndex, -1,
                PanelSettings::kDeviceCount - 1},
    ConfigField{"carriage return", 14, FieldType::Text, &PanelSettings::crChar},
    ConfigField{"unicode", 15, FieldType::Flag, &PanelSettings::unicode},
    ConfigField{"connection timeout", 16, FieldType::Index, &PanelSettings::timeoutIndex, -1,
                PanelSettings::kTimeoutCount - 1},
    ConfigField{"show errors", 17, FieldType::Flag, &PanelSettings::showErrors},
};

}  // namespace dorvex::panel
