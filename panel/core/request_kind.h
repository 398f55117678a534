#pragma once

#include <QString>

#include <optional>

namespace dorvex::panel {

enum class RequestKind { Write, Read, Delete };

// The request a data file's name asks for: its first marker in the order write, read,
// delete ("_w.csv"/"_w.csw", ...), compared without regard to case. A name with markers of
// several kinds is handled by its first kind only, so it is never handed over twice.
std::optional<RequestKind> RequestKindOf(const QString& fileName);

// Whether the name matches the listing pattern "*.cs?".
bool IsDataFileName(const QString& fileName);

}  // namespace dorvex::panel
