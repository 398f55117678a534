#include "api/sync_session.h"

#include <chrono>

#include "api/engine_transfer_step.h"
#include "api/sync_target.h"
#include "platform/file_write.h"
#include "sync/row_selection.h"
#include "sync/state_store.h"
#include "sync/subset_file.h"
#include "sync/sync_state.h"

namespace dorvex {
namespace {

std::int64_t Now() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

Text Count(std::size_t n, TextView one, TextView many) {
    return NumberText(static_cast<std::int64_t>(n)) + u" " + Text(n == 1 ? one : many);
}

// "3 days", "5 hours", "12 minutes", "40 seconds": the largest unit that fits twice.
Text AgeText(std::int64_t seconds) {
    if (seconds >= 2 * 86400)
        return NumberText(seconds / 86400) + u" days";
    if (seconds >= 2 * 3600)
        return NumberText(seconds / 3600) + u" hours";
    if (seconds >= 2 * 60)
        return NumberText(seconds / 60) + u" minutes";
    return NumberText(seconds) + (seconds == 1 ? u" second" : u" seconds");
}

}  // namespace

SyncSession::SyncSession(std::shared_ptr<EngineRegistry::Entry> entry, SyncRequest request)
    : entry_(std::move(entry)), request_(std::move(request)) {}

void SyncSession::Note(const Text& line) {
    report_ += line;
    report_ += u"\n";
}

int SyncSession::Run(Text& reason) {
    if (request_.prune && !Trim(request_.filter).empty()) {
        reason = u"a filter cannot go with pruning: every key outside the filter would be deleted";
        return -1;
    }
    SyncTarget target(entry_);
    if (!target.Find(request_.fileName, reason))
        return -1;
    StateStore store(request_.stateDirectory, target.Identity());
    bool busy = false;
    if (!store.Lock(reason, busy))
        return -1;
    const Text statePath = store.StatePath(target.Table());
    SyncState state(target.Table());
    everything_ = request_.full || SendEverythingAfterLoad(state, statePath);

    RowSelection rows;
    if (!rows.Open(target.Path(), request_.keyColumn, request_.filter, reason))
        return -1;
    if (!everything_)
        everything_ = CountDiffers(target, state);

    const DiffResult diff = RowDiff::Compute(rows, state, everything_, request_.prune);
    summary_.unchanged = static_cast<int>(diff.unchanged);
    if (request_.dryRun) {
        ReportDryRun(diff, rows);
        return 1;
    }

    std::vector<StateEntry> acknowledged;
    bool started = false;
    bool complete = SendRows(target, rows, diff, acknowledged, started, reason);
    if (!diff.toSend.empty() && !started)
        return -1;
    if (!diff.toSend.empty()) {
        if (everything_ && Trim(request_.filter).empty()) {
            state.Clear();
        } else if (everything_) {
            // A full send of part of the file: what was sent and not acknowledged is unknown.
            std::vector<std::string> sent;
            for (const RowToSend& row : diff.toSend)
                sent.push_back(row.key);
            state.Apply({}, sent);
        }
        state.Apply(std::move(acknowledged), {});
        if (int error = state.Save(statePath, Now()); error != 0) {
            reason = u"the state " + statePath + u" was not saved (" + SystemErrorText(error) +
                     u"): the next sync sends these rows again";
            return 0;
        }
    } else if (everything_ && Trim(request_.filter).empty() && state.Size() != 0) {
        // Nothing in the file: a rebuilt state holds nothing either.
        state.Clear();
        if (int error = state.Save(statePath, Now()); error != 0)
            Note(u"warning: the emptied state " + statePath + u" was not saved (" +
                 SystemErrorText(error) + u")");
    }

    std::vector<std::string> deleted;
    if (request_.prune && !diff.toDelete.empty()) {
        Text deleteReason;
        if (!DeleteKeys(target, rows, diff, deleted, deleteReason)) {
            complete = false;
            if (reason.empty())
                reason = deleteReason;
        }
        if (!deleted.empty()) {
            state.Apply({}, deleted);
            if (int error = state.Save(statePath, Now()); error != 0) {
                reason =
                    u"the state " + statePath + u" was not saved (" + SystemErrorText(error) + u")";
                return 0;
            }
        }
    }
    return complete ? 1 : 0;
}

// A state that is missing, damaged or too old cannot say what the scale holds.
bool SyncSession::SendEverythingAfterLoad(SyncState& state, const Text& path) {
    Text why;
    switch (state.Load(path, why)) {
        case SyncState::LoadOutcome::Missing:
            Note(u"no state yet for table " + state.Table() + u": every row is sent");
            return true;
        case SyncState::LoadOutcome::Damaged:
            Note(u"warning: the state " + path + u" is damaged (" + why +
                 u"): every row is sent and the state rebuilt");
            return true;
        case SyncState::LoadOutcome::Loaded:
            break;
    }
    const std::int64_t age = Now() - state.SavedAt();
    if (request_.maxAgeSeconds > 0 && age > request_.maxAgeSeconds) {
        Note(u"the state is " + AgeText(age) + u" old, older than " +
             AgeText(request_.maxAgeSeconds) + u": every row is sent");
        return true;
    }
    return false;
}

bool SyncSession::CountDiffers(SyncTarget& target, const SyncState& state) {
    Text why;
    std::optional<std::int64_t> count = target.AskRecordCount(why);
    if (!count) {
        Note(u"warning: " + why + u": every row is sent");
        return true;
    }
    if (static_cast<std::uint64_t>(*count) == state.Size())
        return false;
    Note(u"the scale holds " + Count(static_cast<std::size_t>(*count), u"record", u"records") +
         u" of " + target.Table() + u", the state knows " + Count(state.Size(), u"key", u"keys") +
         u": every row is sent");
    return true;
}

void SyncSession::ReportDryRun(const DiffResult& diff, const RowSelection& rows) {
    summary_.sent = static_cast<int>(diff.toSend.size());
    summary_.deleted = request_.prune ? static_cast<int>(diff.toDelete.size()) : 0;
    Note(u"would send " + Count(diff.toSend.size(), u"row", u"rows") +
         (diff.toSend.empty() ? u"" : u":"));
    for (std::size_t i = 0; i < diff.toSend.size() && i < kRowsShown; ++i)
        Note(u"  " + diff.toSend[i].line);
    if (diff.toSend.size() > kRowsShown)
        Note(u"  ...");
    if (!request_.prune)
        return;
    Note(u"would delete " + Count(diff.toDelete.size(), u"key", u"keys") +
         (diff.toDelete.empty() ? u"" : u":"));
    for (std::size_t i = 0; i < diff.toDelete.size() && i < kRowsShown; ++i)
        Note(u"  " + rows.KeyColumnName() + u" " + FromUtf8(diff.toDelete[i]));
    if (diff.toDelete.size() > kRowsShown)
        Note(u"  ...");
}

bool SyncSession::SendRows(SyncTarget& target, const RowSelection& rows, const DiffResult& diff,
                           std::vector<StateEntry>& acknowledged, bool& started, Text& reason) {
    if (diff.toSend.empty())
        return true;
    std::vector<Text> lines;
    lines.reserve(diff.toSend.size());
    for (const RowToSend& row : diff.toSend)
        lines.push_back(row.line);
    summary_.failed = static_cast<int>(diff.toSend.size());
    SubsetFile subset;
    if (!subset.Create(target.Name(), rows.File().HeaderLine(), lines, reason))
        return false;
    EngineTransferStep step(target.Entry());
    if (!step.Start(subset, TransferMode::Write, reason))
        return false;
    started = true;
    if (Text left; !subset.Remove(&left))
        Note(u"warning: a temporary copy of rows was not removed: " + left);
    const TransferStatus status = step.Wait();
    summary_.sent = step.SentCount();
    Text why;
    std::optional<ResultLines> results = step.Results(why);
    if (!results) {
        reason = u"no row is taken as acknowledged: " + why;
        return false;
    }
    // Line i is the reply to row i; rows past the last line were never answered.
    for (std::size_t i = 0; i < results->lines.size() && i < diff.toSend.size(); ++i) {
        if (results->lines[i] == u"OK")
            acknowledged.push_back({diff.toSend[i].key, diff.toSend[i].digest});
    }
    summary_.ok = static_cast<int>(acknowledged.size());
    summary_.failed = static_cast<int>(diff.toSend.size() - acknowledged.size());
    if (summary_.failed == 0)
        return true;
    reason = Count(static_cast<std::size_t>(summary_.failed), u"row was", u"rows were") +
             u" not acknowledged";
    if (status == TransferStatus::TerminatedWithError && !step.TransferError().empty())
        reason += u": " + step.TransferError();
    return false;
}

bool SyncSession::DeleteKeys(SyncTarget& target, const RowSelection& rows, const DiffResult& diff,
                             std::vector<std::string>& deleted, Text& reason) {
    std::vector<Text> lines;
    lines.reserve(diff.toDelete.size());
    for (const std::string& key : diff.toDelete)
        lines.push_back(FromUtf8(key));
    SubsetFile subset;
    if (!subset.Create(target.Name(), rows.KeyColumnName(), lines, reason))
        return false;
    EngineTransferStep step(target.Entry());
    if (!step.Start(subset, TransferMode::Delete, reason))
        return false;
    if (Text left; !subset.Remove(&left))
        Note(u"warning: a temporary copy of rows was not removed: " + left);
    const TransferStatus status = step.Wait();
    Text why;
    std::optional<ResultLines> results = step.Results(why);
    if (!results) {
        reason = u"no key is taken as deleted: " + why;
        return false;
    }
    for (std::size_t i = 0; i < results->lines.size() && i < diff.toDelete.size(); ++i) {
        if (results->lines[i] == u"OK")
            deleted.push_back(diff.toDelete[i]);
    }
    summary_.deleted = static_cast<int>(deleted.size());
    if (deleted.size() == diff.toDelete.size())
        return true;
    reason =
        Count(diff.toDelete.size() - deleted.size(), u"key was", u"keys were") + u" not deleted";
    if (status == TransferStatus::TerminatedWithError && !step.TransferError().empty())
        reason += u": " + step.TransferError();
    return false;
}

}  // namespace dorvex
