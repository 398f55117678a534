#include "sync/row_digest.h"

#include "tables/record_cursor.h"

namespace dorvex {
namespace {

constexpr std::uint64_t kPrime = 0x100000001b3ULL;
// Between cells: a unit no cell text holds, so "ab";"c" and "a";"bc" differ.
constexpr char16_t kCellEnd = u'\uFFFF';

std::uint64_t Mix(std::uint64_t hash, char16_t unit) {
    hash ^= static_cast<std::uint64_t>(unit & 0xFF);
    hash *= kPrime;
    hash ^= static_cast<std::uint64_t>(unit >> 8);
    hash *= kPrime;
    return hash;
}

}  // namespace

std::uint64_t RowDigest::OfText(std::uint64_t seed, TextView text) {
    for (char16_t unit : text)
        seed = Mix(seed, unit);
    return Mix(seed, kCellEnd);
}

std::uint64_t RowDigest::OfColumns(const std::vector<DataColumn>& columns) {
    std::uint64_t hash = kStart;
    for (const DataColumn& column : columns)
        hash = OfText(hash, column.name);
    return hash;
}

std::uint64_t RowDigest::OfRecord(std::uint64_t seed, const RecordCursor& cursor) {
    for (int i = 0; i < cursor.FieldCount(); ++i)
        seed = OfText(seed, cursor.FieldAt(i)->value);
    return seed;
}

}  // namespace dorvex
