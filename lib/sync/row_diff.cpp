#include "sync/row_diff.h"

#include "sync/row_selection.h"

namespace dorvex {

DiffResult RowDiff::Compute(RowSelection& rows, const SyncState& state, bool everything,
                            bool listDeletions) {
    DiffResult result;
    std::vector<bool> seen(listDeletions ? state.Size() : 0, false);
    for (; !rows.AtEnd(); rows.Next()) {
        ++result.selected;
        std::string key = ToUtf8(rows.Key());
        const std::uint64_t digest = rows.Digest();
        const std::size_t index = state.IndexOf(key);
        if (index != std::string::npos && listDeletions)
            seen[index] = true;
        if (!everything && index != std::string::npos && state.Entries()[index].digest == digest) {
            ++result.unchanged;
            continue;
        }
        result.toSend.push_back({rows.Line(), std::move(key), digest});
    }
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (!seen[i])
            result.toDelete.push_back(state.Entries()[i].key);
    }
    return result;
}

}  // namespace dorvex
