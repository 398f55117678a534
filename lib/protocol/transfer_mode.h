// What a transfer does with the scale's table, and where a whole-table read stands. The wire
// spells them "w", "r", "d" and, for the record requests of a whole-table read, "r+"; those
// texts appear only here and in the leading tags built from them.
#pragma once

#include <optional>

#include "platform/text.h"

namespace dorvex {

enum class TransferMode { Write, Read, Delete };

// A whole-table read asks for the record count first and then for the records one by one.
enum class ReadPhase { Count, Records };

// The mode of the leading tag: "w", "r", "d", or "r+" for a read's record requests.
TextView ModeText(TransferMode mode, ReadPhase phase = ReadPhase::Count);
// The mode of "w", "r" or "d"; none for any other text.
std::optional<TransferMode> TransferModeOf(TextView text);

}  // namespace dorvex
