#include "api/engine_registry.h"

#include <limits>

namespace dorvex {

EngineRegistry& EngineRegistry::Instance() {
    static EngineRegistry registry;
    return registry;
}

int EngineRegistry::Add(std::unique_ptr<TransferEngine> engine, Text identity) {
    auto entry = std::make_shared<Entry>();
    entry->engine = std::move(engine);
    entry->identity = std::move(identity);
    std::lock_guard lock(mutex_);
    if (nextHandle_ > std::numeric_limits<int>::max())
        return 0;
    const int handle = static_cast<int>(nextHandle_++);
    entries_.emplace(handle, std::move(entry));
    return handle;
}

std::shared_ptr<EngineRegistry::Entry> EngineRegistry::Find(int handle) const {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(handle);
    return found == entries_.end() ? nullptr : found->second;
}

std::shared_ptr<EngineRegistry::Entry> EngineRegistry::Remove(int handle) {
    std::lock_guard lock(mutex_);
    auto found = entries_.find(handle);
    if (found == entries_.end())
        return nullptr;
    std::shared_ptr<Entry> entry = std::move(found->second);
    entries_.erase(found);
    return entry;
}

}  // namespace dorvex
