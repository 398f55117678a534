// The engines of the handle family: any number side by side, each named by a positive 32-bit
// handle that is never given out twice, so a stale handle finds nothing instead of another
// engine. Calls on one engine are serialised by its own lock; calls on different engines run
// at once. A call keeps its engine alive while another thread closes the handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "engine/transfer_engine.h"

namespace dorvex {

class EngineRegistry {
  public:
    struct Entry {
        std::mutex mutex;  // held by every call that works on the engine
        // Shared with callers that wait for its outcome without holding the lock.
        std::shared_ptr<TransferEngine> engine;
        // The link, address and device it was opened with: what names its scale.
        Text identity;
    };

    static EngineRegistry& Instance();

    // Takes the engine and returns its handle; 0 when no handle is left.
    int Add(std::unique_ptr<TransferEngine> engine, Text identity = {});
    // The entry of a live handle, or null.
    std::shared_ptr<Entry> Find(int handle) const;
    // Forgets the handle and returns its entry (null when unknown); the caller closes it.
    std::shared_ptr<Entry> Remove(int handle);

    // What new engines start with: the last values given to SetConnectionTimeout and
    // SetDisplayErrorMode.
    int DefaultConnectTimeout() const { return defaultConnectTimeout_.load(); }
    void SetDefaultConnectTimeout(int milliseconds) { defaultConnectTimeout_.store(milliseconds); }
    bool DefaultDisplayErrors() const { return defaultDisplayErrors_.load(); }
    void SetDefaultDisplayErrors(bool on) { defaultDisplayErrors_.store(on); }

  private:
    mutable std::mutex mutex_;
    std::map<int, std::shared_ptr<Entry>> entries_;
    std::int64_t nextHandle_ = 1;
    std::atomic<int> defaultConnectTimeout_{5000};
    std::atomic<bool> defaultDisplayErrors_{false};
};

}  // namespace dorvex
