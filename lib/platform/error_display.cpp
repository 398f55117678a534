#include "platform/error_display.h"

#include <mutex>

#include "platform/default_error_display.h"

namespace dorvex {
namespace {

struct HandlerSlot {
    std::mutex mutex;
    ErrorDisplayHandler handler = nullptr;
    void* context = nullptr;
};

HandlerSlot& Slot() {
    static HandlerSlot slot;
    return slot;
}

}  // namespace

void SetErrorDisplayHandler(ErrorDisplayHandler handler, void* context) {
    auto& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.handler = handler;
    slot.context = context;
}

void ShowErrorMessage(TextView title, TextView text) {
    ErrorDisplayHandler handler;
    void* context;
    {
        auto& slot = Slot();
        std::lock_guard lock(slot.mutex);
        handler = slot.handler != nullptr ? slot.handler : &ShowDefaultErrorDisplay;
        context = slot.context;
    }
    // Called outside the lock: a modal handler may take as long as the user wants.
    handler(ToUtf8(title).c_str(), ToUtf8(text).c_str(), context);
}

}  // namespace dorvex
