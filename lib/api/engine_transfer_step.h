// One transfer of a sync, verify or filtered write on an engine of the handle family: started
// on a subset file under the engine's lock, waited for without it (so progress calls get
// through meanwhile), and its result lines read back.
#pragma once

#include <memory>
#include <optional>

#include "api/engine_registry.h"
#include "sync/result_reader.h"
#include "sync/subset_file.h"

namespace dorvex {

class EngineTransferStep {
  public:
    explicit EngineTransferStep(std::shared_ptr<EngineRegistry::Entry> entry)
        : entry_(std::move(entry)) {}

    // Starts the write, read or delete of the subset file, after removing
    // any result file a former transfer of that name left (its lines must never be taken for
    // this one's). False with the reason.
    bool Start(const SubsetFile& file, TransferMode mode, Text& reason);
    // Blocks until the transfer ends or the engine is closed; the status then.
    TransferStatus Wait();
    // The result lines of the ended transfer; nothing (with the reason) when none was written.
    std::optional<ResultLines> Results(Text& reason) const;
    int SentCount() const { return engine_ ? engine_->SentCount() : 0; }
    Text TransferError() const { return engine_ ? engine_->TransferError() : Text(); }

  private:
    Text ResultPath(bool withError) const;

    std::shared_ptr<EngineRegistry::Entry> entry_;
    std::shared_ptr<TransferEngine> engine_;
    Text name_;
    bool wide_ = false;
    Text outputDirectory_;
    Text errorDirectory_;
    TransferStatus status_ = TransferStatus::Ready;
};

}  // namespace dorvex
