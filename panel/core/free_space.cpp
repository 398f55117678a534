#include "free_space.h"

#include <QStorageInfo>

#include "string_table.h"

namespace dorvex::panel {

std::optional<double> FreeSpace::AvailableMegabytes(const QString& root) {
    const QStorageInfo volume(root);
    if (root.isEmpty() || !volume.isValid() || !volume.isReady()) {
        return std::nullopt;
    }
    return static_cast<double>(volume.bytesAvailable()) / (1024.0 * 1024.0);
}

QString FreeSpace::Format(double megabytes, const QLocale& locale) {
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = plain.toString(megabytes, 'f', 1);
    if (text.startsWith(QLatin1Char('0'))) {
        text.remove(0, 1);
    }
    return text;
}

QString FreeSpace::Caption(int languageCode, std::optional<double> megabytes,
                           const QLocale& locale) {
    return StringTable::Text(languageCode, TextId::FreeDiskSpace) +
           Format(megabytes.value_or(0.0), locale) + QStringLiteral(" MB");
}

bool FreeSpace::IsLow(std::optional<double> megabytes) {
    return !megabytes || *megabytes <= kWarningMegabytes;
}

}  // namespace dorvex::panel
