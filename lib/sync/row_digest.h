// The digest that stands for a row's content in a sync state: 64 bits of FNV-1a over the
// cells, so that any change of a cell (or of the columns the file has) changes the digest.
// Not a protection against someone forging rows; a fingerprint of what was sent.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/text.h"
#include "tables/data_file.h"

namespace dorvex {

class RecordCursor;

class RowDigest {
  public:
    // The start of every row's digest: the column names, so that a file that gains, loses or
    // reorders a column sends every row again.
    static std::uint64_t OfColumns(const std::vector<DataColumn>& columns);
    // The digest of the cursor's current record, started from `seed`.
    static std::uint64_t OfRecord(std::uint64_t seed, const RecordCursor& cursor);
    // The digest of a text, started from `seed`.
    static std::uint64_t OfText(std::uint64_t seed, TextView text);

    static constexpr std::uint64_t kStart = 0xcbf29ce484222325ULL;
};

}  // namespace dorvex
