// Sync and verify on engines of the handle family: send only the rows that changed since the
// scale last acknowledged them, and read back what the scale holds to compare it with a file.
#include <map>
#include <memory>
#include <mutex>

#include "api/engine_registry.h"
#include "api/engine_transfer_step.h"
#include "api/export_support.h"
#include "api/last_error.h"
#include "api/sync_session.h"
#include "api/sync_target.h"
#include "api/verify_session.h"
#include "dorvex.h"
#include "platform/system_encoding.h"
#include "sync/row_selection.h"
#include "sync/subset_file.h"

using dorvex::EngineRegistry;
using dorvex::Text;
using namespace dorvex::api;

namespace {

constexpr std::int64_t kDefaultMaxAgeSeconds = 7 * 24 * 3600;

// What the latest sync or verify of each engine came to, for the calls that ask afterwards.
struct Outcome {
    dorvex::SyncSummary sync;
    dorvex::VerifySummary verify;
    Text report;
};

class Outcomes {
  public:
    static Outcomes& Instance() {
        static Outcomes outcomes;
        return outcomes;
    }
    void Set(int engine, Outcome outcome) {
        std::lock_guard lock(mutex_);
        byEngine_[engine] = std::move(outcome);
    }
    Outcome Get(int engine) const {
        std::lock_guard lock(mutex_);
        auto found = byEngine_.find(engine);
        return found == byEngine_.end() ? Outcome() : found->second;
    }

  private:
    mutable std::mutex mutex_;
    std::map<int, Outcome> byEngine_;
};

void Put(int* target, int value) {
    if (target != nullptr)
        *target = value;
}

}  // namespace

extern "C" {

DORVEX_API int DORVEX_CALL SyncEngineFile(int engine, const char* file_name, const char* state_dir,
                                          const char* key_column, const char* where, int flags,
                                          int max_age_seconds) {
    if (max_age_seconds < 0)
        return Failed(u"the state's longest age must not be negative");
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Find(engine);
    if (!entry)
        return Failed(UnknownHandle(engine));
    dorvex::SyncRequest request;
    request.fileName = FromApi(file_name);
    request.stateDirectory = FromApi(state_dir);
    request.keyColumn = FromApi(key_column);
    request.filter = FromApi(where);
    request.prune = (flags & DORVEX_SYNC_PRUNE) != 0;
    request.full = (flags & DORVEX_SYNC_FULL) != 0;
    request.dryRun = (flags & DORVEX_SYNC_DRY_RUN) != 0;
    request.maxAgeSeconds = max_age_seconds > 0 ? max_age_seconds : kDefaultMaxAgeSeconds;
    dorvex::SyncSession session(entry, std::move(request));
    Text reason;
    const int result = session.Run(reason);
    Outcomes::Instance().Set(engine, {session.Summary(), {}, session.Report()});
    if (result < 0)
        return Failed(std::move(reason));
    if (result == 0)
        dorvex::SetLastErrorText(std::move(reason));
    return result;
}

DORVEX_API int DORVEX_CALL GetEngineSyncSummary(int engine, int* unchanged, int* sent, int* ok,
                                                int* failed, int* deleted) {
    const Outcome outcome = Outcomes::Instance().Get(engine);
    Put(unchanged, outcome.sync.unchanged);
    Put(sent, outcome.sync.sent);
    Put(ok, outcome.sync.ok);
    Put(failed, outcome.sync.failed);
    Put(deleted, outcome.sync.deleted);
    return EngineRegistry::Instance().Find(engine) ? kDone : Failed(UnknownHandle(engine));
}

DORVEX_API int DORVEX_CALL VerifyEngineFile(int engine, const char* file_name,
                                            const char* key_column, const char* where) {
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Find(engine);
    if (!entry)
        return Failed(UnknownHandle(engine));
    dorvex::VerifySession session(entry, {FromApi(file_name), FromApi(key_column), FromApi(where)});
    Text reason;
    const int result = session.Run(reason);
    Outcomes::Instance().Set(engine, {{}, session.Summary(), session.Report()});
    return result < 0 ? Failed(std::move(reason)) : result;
}

DORVEX_API int DORVEX_CALL GetEngineVerifySummary(int engine, int* checked, int* matching,
                                                  int* differing, int* missing) {
    const Outcome outcome = Outcomes::Instance().Get(engine);
    Put(checked, outcome.verify.checked);
    Put(matching, outcome.verify.matching);
    Put(differing, outcome.verify.differing);
    Put(missing, outcome.verify.missing);
    return EngineRegistry::Instance().Find(engine) ? kDone : Failed(UnknownHandle(engine));
}

DORVEX_API int DORVEX_CALL GetEngineSyncReport(int engine, char* text, int size) {
    if (text != nullptr && size > 0)
        text[0] = '\0';
    if (!EngineRegistry::Instance().Find(engine))
        return Failed(UnknownHandle(engine));
    const Text report = Outcomes::Instance().Get(engine).report;
    const int needed = static_cast<int>(dorvex::EncodeApiText(report).size());
    CopyReason(report, text, size);
    return needed;
}

DORVEX_API int DORVEX_CALL SendEngineWriteFileWhere(int engine, const char* file_name,
                                                    const char* where) {
    std::shared_ptr<EngineRegistry::Entry> entry = EngineRegistry::Instance().Find(engine);
    if (!entry)
        return Failed(UnknownHandle(engine));
    dorvex::SyncTarget target(entry);
    Text reason;
    if (!target.Find(FromApi(file_name), reason))
        return Failed(std::move(reason));
    dorvex::RowSelection rows;
    if (!rows.Open(target.Path(), u"", FromApi(where), reason))
        return Failed(std::move(reason));
    std::vector<Text> lines;
    for (; !rows.AtEnd(); rows.Next())
        lines.push_back(rows.Line());
    if (lines.empty())
        return Failed(u"no row of " + target.Path() + u" satisfies the filter");
    dorvex::SubsetFile subset;
    if (!subset.Create(target.Name(), rows.File().HeaderLine(), lines, reason))
        return Failed(std::move(reason));
    dorvex::EngineTransferStep step(entry);
    if (!step.Start(subset, dorvex::TransferMode::Write, reason))
        return Failed(std::move(reason));
    return kDone;
}

}  // extern "C"
