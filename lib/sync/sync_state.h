// What one scale holds of one table, as far as syncs know: per key, the digest of the row as
// the scale last acknowledged it with "OK", and when the state was saved.
//
// On disk (see docs/sync.md): a binary file read and written whole, ending in a checksum, so
// that a damaged file is recognised instead of trusted. Saving writes a temporary file and
// renames it over the old one: a crash leaves the old state or the new one.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text.h"

namespace dorvex {

struct StateEntry {
    std::string key;  // UTF-8
    std::uint64_t digest = 0;
};

class SyncState {
  public:
    enum class LoadOutcome { Loaded, Missing, Damaged };

    // Keys longer than this are not kept (such a row is sent every time).
    static constexpr std::size_t kMaxKeyBytes = 4096;
    // A state file larger than this is taken for damaged.
    static constexpr std::uint64_t kMaxFileBytes = 1ULL << 30;

    explicit SyncState(Text table = {}) : table_(std::move(table)) {}

    // Reads the file; Missing when there is none, Damaged (with the reason) when it cannot be
    // read, is cut short, fails its checksum or belongs to another table. The state is empty
    // unless Loaded.
    LoadOutcome Load(TextView path, Text& reason);
    // Writes the state atomically with `savedAt` (seconds since 1970); 0 or the system's error.
    int Save(TextView path, std::int64_t savedAt);

    std::string Serialize(std::int64_t savedAt) const;
    bool Parse(std::string_view bytes, Text& reason);

    // The entry's position, or npos.
    std::size_t IndexOf(std::string_view key) const;
    const std::vector<StateEntry>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    std::int64_t SavedAt() const { return savedAt_; }
    const Text& Table() const { return table_; }

    // Sets the digests of `acknowledged` (the later of two equal keys wins) and removes the
    // keys of `removed`.
    void Apply(std::vector<StateEntry> acknowledged, const std::vector<std::string>& removed);
    void Clear() { entries_.clear(); }

  private:
    Text table_;
    std::vector<StateEntry> entries_;  // sorted by key, keys unique
    std::int64_t savedAt_ = 0;
};

}  // namespace dorvex
