// What a sync or verify works on, found under the engine's lock before it starts: the data
// file's path and name, its table as the table definitions spell it, the line-break marker,
// and the record count the scale gives for that table.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "api/engine_registry.h"

namespace dorvex {

class SyncTarget {
  public:
    explicit SyncTarget(std::shared_ptr<EngineRegistry::Entry> entry) : entry_(std::move(entry)) {}

    // Refuses (false, with the reason) an unknown encoding or table, or a transfer still
    // running on the engine. `fileName` is a bare name in the input directory or a path.
    bool Find(const Text& fileName, Text& reason);
    // Asks the scale with the count statement of a whole-table read; nothing (with the
    // reason) when the scale gives no count.
    std::optional<std::int64_t> AskRecordCount(Text& reason);

    const Text& Path() const { return path_; }
    const Text& Name() const { return name_; }
    const Text& Table() const { return table_; }
    const Text& Marker() const { return marker_; }
    const Text& Identity() const { return entry_->identity; }
    const std::shared_ptr<EngineRegistry::Entry>& Entry() const { return entry_; }

  private:
    std::shared_ptr<EngineRegistry::Entry> entry_;
    Text path_;
    Text name_;
    Text table_;
    Text marker_;
};

}  // namespace dorvex
