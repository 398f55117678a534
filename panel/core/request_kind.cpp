#include "request_kind.h"

#include <array>

namespace dorvex::panel {

namespace {

struct Marker {
    RequestKind kind;
    const char* ansi;
    const char* unicode;
};

constexpr std::array kMarkers{Marker{RequestKind::Write, "_w.csv", "_w.csw"},
                              Marker{RequestKind::Read, "_r.csv", "_r.csw"},
                              Marker{RequestKind::Delete, "_d.csv", "_d.csw"}};

}  // namespace

std::optional<RequestKind> RequestKindOf(const QString& fileName) {
    for (const Marker& marker : kMarkers) {
        if (fileName.contains(QLatin1String(marker.ansi), Qt::CaseInsensitive) ||
            fileName.contains(QLatin1String(marker.unicode), Qt::CaseInsensitive)) {
            return marker.kind;
        }
    }
    return std::nullopt;
}

bool IsDataFileName(const QString& fileName) {
    const qsizetype n = fileName.size();
    return n >= 4 && fileName.mid(n - 4, 3).compare(QLatin1String(".cs"), Qt::CaseInsensitive) == 0;
}

}  // namespace dorvex::panel
