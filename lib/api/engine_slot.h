// The library-wide slot that holds the one engine behind the exports, and the settings that
// can be given before any engine exists.
#pragma once

#include <memory>
#include <mutex>

#include "engine/transfer_engine.h"

namespace dorvex {

class EngineSlot {
  public:
    static EngineSlot& Instance();

    // Every export holds this lock while it works on the slot or the engine in it.
    std::unique_lock<std::mutex> Lock() { return std::unique_lock(mutex_); }

    TransferEngine* Engine() const { return engine_.get(); }
    // Puts a new engine in the slot; an engine already there is closed first, never orphaned.
    void Put(std::unique_ptr<TransferEngine> engine);
    // Closes and destroys the engine in the slot, if any.
    void CloseEngine();

    bool DisplayErrors() const { return displayErrors_; }
    void SetDisplayErrors(bool on) { displayErrors_ = on; }
    int ConnectionTimeout() const { return connectionTimeout_; }
    void SetConnectionTimeout(int milliseconds) { connectionTimeout_ = milliseconds; }
    // Reply timeouts given before the engine exists; 0 leaves the engine's default.
    int RowReplyTimeout() const { return rowReplyTimeout_; }
    int TableReplyTimeout() const { return tableReplyTimeout_; }
    void SetReplyTimeouts(int rowMilliseconds, int tableMilliseconds) {
        if (rowMilliseconds > 0)
            rowReplyTimeout_ = rowMilliseconds;
        if (tableMilliseconds > 0)
            tableReplyTimeout_ = tableMilliseconds;
    }

  private:
    std::mutex mutex_;
    std::unique_ptr<TransferEngine> engine_;
    bool displayErrors_ = false;
    int connectionTimeout_ = 0;
    int rowReplyTimeout_ = 0;
    int tableReplyTimeout_ = 0;
};

}  // namespace dorvex
