#include "api/sync_target.h"

#include <mutex>

#include "engine/file_name_rules.h"
#include "platform/path.h"
#include "protocol/protocol_texts.h"
#include "protocol/reply_markers.h"
#include "protocol/transfer_mode.h"

namespace dorvex {

bool SyncTarget::Find(const Text& fileName, Text& reason) {
    std::lock_guard lock(entry_->mutex);
    const std::shared_ptr<TransferEngine>& engine = entry_->engine;
    if (!engine) {
        reason = u"the engine was closed";
        return false;
    }
    const TransferStatus status = engine->Status();
    if (status == TransferStatus::Preparing || status == TransferStatus::Sending ||
        status == TransferStatus::Receiving) {
        reason = u"a transfer is still running on the engine";
        return false;
    }
    name_ = BaseName(fileName);
    path_ = HasPathSeparator(fileName) ? fileName : JoinPath(engine->InputDirectory(), fileName);
    if (!FileNameRules::EncodingOf(name_)) {
        reason = FileNameRules::ExtensionProblem(name_);
        return false;
    }
    std::optional<Text> table = FileNameRules::TableOf(name_, engine->Catalog());
    if (!table) {
        reason = FileNameRules::TableProblem(name_, engine->Catalog());
        return false;
    }
    table_ = *table;
    marker_ = engine->CrChars();
    return true;
}

std::optional<std::int64_t> SyncTarget::AskRecordCount(Text& reason) {
    std::lock_guard lock(entry_->mutex);
    const std::shared_ptr<TransferEngine>& engine = entry_->engine;
    if (!engine) {
        reason = u"the engine was closed";
        return std::nullopt;
    }
    const Text request =
        SqlHeader(ModeText(TransferMode::Read), ReadDeviceText(engine->DeviceNumber())) +
        CountStatement(table_);
    if (Result sent = engine->SendText(request); !sent) {
        reason = u"the count request was not sent: " + sent.Reason();
        return std::nullopt;
    }
    const Text reply = engine->ReceiveText();
    std::optional<std::int64_t> count = RecordCountOf(reply);
    if (!count || *count < 0) {
        reason = reply.empty() ? u"no reply to the count request"
                               : u"the scale gave no record count: " + reply;
        return std::nullopt;
    }
    return count;
}

}  // namespace dorvex
