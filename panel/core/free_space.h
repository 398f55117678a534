#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace dorvex::panel {

// The free-space display: megabytes available to the caller on the chosen drive.
class FreeSpace {
  public:
    static constexpr double kWarningMegabytes = 50.0;

    // Megabytes available on the volume of root; nothing when the query fails.
    static std::optional<double> AvailableMegabytes(const QString& root);
    // One decimal place by the pattern "#.0": no leading zero below 1, the locale's separator.
    static QString Format(double megabytes, const QLocale& locale);
    // Text 304, the value and " MB"; a failed query shows 0.
    static QString Caption(int languageCode, std::optional<double> megabytes,
                           const QLocale& locale);
    // 50 MB or less (or an unknown value) shows the warning.
    static bool IsLow(std::optional<double> megabytes);
};

}  // namespace dorvex::panel
