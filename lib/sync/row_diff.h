// What a sync has to do: the selected rows whose key is new to the state or whose digest
// changed (all of them when told), and, when asked, the keys the state holds that no row of
// the file has any more. One pass over the file; only the rows to send are kept.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"
#include "sync/sync_state.h"

namespace dorvex {

class RowSelection;

struct RowToSend {
    Text line;        // the record's line as the file has it
    std::string key;  // UTF-8
    std::uint64_t digest = 0;
};

struct DiffResult {
    std::vector<RowToSend> toSend;
    std::vector<std::string> toDelete;  // keys, UTF-8, in state order
    std::size_t unchanged = 0;
    std::size_t selected = 0;
};

class RowDiff {
  public:
    static DiffResult Compute(RowSelection& rows, const SyncState& state, bool everything,
                              bool listDeletions);
};

}  // namespace dorvex
