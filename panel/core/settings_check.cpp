#include "settings_check.h"

#include <algorithm>

namespace dorvex::panel {

QList<MissingSetting> SettingsCheck::Missing(const PanelSettings& s) {
    QList<MissingSetting> missing;
    if (s.DeviceText().isEmpty()) {
        missing.append({TextId::SelectScaleNumber, SettingsTab::Communication});
    }
    if (s.ipAddress.isEmpty()) {
        missing.append({TextId::EnterIpAddress, SettingsTab::Communication});
    }
    if (s.scanUnitIndex != 0 && s.scanUnitIndex != 1) {
        missing.append({TextId::SelectTimeUnit, SettingsTab::Timers});
    }
    if (s.outputDir == s.inputDir || s.inputDir == s.errorDir || s.outputDir == s.errorDir) {
        missing.append({TextId::SelectSeparateDirectories, SettingsTab::Directories});
    }
    if (s.timeoutIndex < 0 || s.timeoutIndex >= PanelSettings::kTimeoutCount) {
        missing.append({TextId::ConfigureConnectionTimeout, SettingsTab::Communication});
    }
    return missing;
}

std::optional<SettingsTab> SettingsCheck::FirstTab(const QList<MissingSetting>& missing) {
    if (missing.isEmpty()) {
        return std::nullopt;
    }
    return std::min_element(missing.begin(), missing.end(),
                            [](const MissingSetting& a, const MissingSetting& b) {
                                return static_cast<int>(a.tab) < static_cast<int>(b.tab);
                            })
        ->tab;
}

}  // namespace dorvex::panel
