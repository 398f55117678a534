#pragma once

#include <QString>

#include <optional>

#include "string_table.h"

namespace dorvex::panel {

// Every setting of the window, as the state of its control. The initial values are what the
// window shows without a settings file.
struct PanelSettings {
    int languageCode = kFrench;
    QString drive;
    QString inputDir;
    QString outputDir;
    QString errorDir;
    bool deleteInputFile = true;  // false: move it into the output directory
    int scanInterval = 10;        // 1..60 in the unit below
    int scanUnitIndex = -1;       // -1 none, 0 "s", 1 "min"
    int statusIntervalMs = 50;    // 10..500
    bool autoStart = false;
    bool minimizedWindow = false;
    QString ipAddress = QStringLiteral("127.0.0.1");
    int deviceIndex = -1;  // -1 or 0..99, the index is the scale number
    QString crChar = QStringLiteral("|");
    std::optional<bool> unicode;  // neither character set chosen until the user picks
    int timeoutIndex = -1;        // -1 or 0..9, index + 1 seconds
    bool showErrors = false;

    static constexpr int kScanIntervalMin = 1;
    static constexpr int kScanIntervalMax = 60;
    static constexpr int kStatusIntervalMin = 10;
    static constexpr int kStatusIntervalMax = 500;
    static constexpr int kDeviceCount = 100;
    static constexpr int kTimeoutCount = 10;

    // The scale number as text, empty when none is chosen.
    QString DeviceText() const {
        return deviceIndex >= 0 ? QString::number(deviceIndex) : QString();
    }
    int ScanIntervalMs() const { return scanInterval * (scanUnitIndex == 1 ? 60000 : 1000); }
    int ConnectionTimeoutMs() const { return (timeoutIndex + 1) * 1000; }
};

}  // namespace dorvex::panel
