#include "api/engine_slot.h"

namespace dorvex {

EngineSlot& EngineSlot::Instance() {
    static EngineSlot slot;
    return slot;
}

void EngineSlot::Put(std::unique_ptr<TransferEngine> engine) {
    CloseEngine();
    engine_ = std::move(engine);
}

void EngineSlot::CloseEngine() {
    if (!engine_)
        return;
    engine_->Close();
    engine_.reset();
}

}  // namespace dorvex
