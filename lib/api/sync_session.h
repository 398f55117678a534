// One delta sync of a data file to the scale of an engine: the rows whose key is new or whose
// content changed since the scale last acknowledged them go out as one write transfer; with
// pruning, keys the file no longer has are deleted by one keyed delete transfer. The state of
// a key changes only when its row's reply was "OK", and is saved whole after each transfer.
#pragma once

#include <cstdint>
#include <memory>

#include "api/engine_registry.h"
#include "sync/row_diff.h"

namespace dorvex {

class RowSelection;
class SyncState;
class SyncTarget;

struct SyncRequest {
    Text fileName;
    Text stateDirectory;  // empty: the default one
    Text keyColumn;       // empty: the first column
    Text filter;
    bool prune = false;
    bool full = false;
    bool dryRun = false;
    std::int64_t maxAgeSeconds = 7 * 24 * 3600;
};

struct SyncSummary {
    int unchanged = 0;
    int sent = 0;  // rows sent (with a dry run: rows that would be)
    int ok = 0;
    int failed = 0;   // rows to send that were not acknowledged, sent or not
    int deleted = 0;  // with a dry run: keys that would be
};

class SyncSession {
  public:
    static constexpr int kRowsShown = 10;

    SyncSession(std::shared_ptr<EngineRegistry::Entry> entry, SyncRequest request);

    // 1 when every row and key to change was acknowledged, 0 when some were not (the summary
    // and the report say which), -1 when the sync did not run (the reason says why).
    int Run(Text& reason);

    const SyncSummary& Summary() const { return summary_; }
    // Warnings and, for a dry run, what would be sent and deleted; one line each.
    const Text& Report() const { return report_; }

  private:
    bool SendEverythingAfterLoad(SyncState& state, const Text& path);
    bool CountDiffers(SyncTarget& target, const SyncState& state);
    void ReportDryRun(const DiffResult& diff, const RowSelection& rows);
    bool SendRows(SyncTarget& target, const RowSelection& rows, const DiffResult& diff,
                  std::vector<StateEntry>& acknowledged, bool& started, Text& reason);
    bool DeleteKeys(SyncTarget& target, const RowSelection& rows, const DiffResult& diff,
                    std::vector<std::string>& deleted, Text& reason);
    void Note(const Text& line);

    std::shared_ptr<EngineRegistry::Entry> entry_;
    SyncRequest request_;
    bool everything_ = false;
    SyncSummary summary_;
    Text report_;
};

}  // namespace dorvex
