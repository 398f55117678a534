// Collects what the links show through the error display while it lives.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/error_display.h"

namespace dorvex::test {

class ShownErrors {
  public:
    ShownErrors() { SetErrorDisplayHandler(&Collect, this); }
    ~ShownErrors() { SetErrorDisplayHandler(nullptr, nullptr); }
    std::vector<std::string> Texts() const {
        std::lock_guard lock(mutex_);
        return texts_;
    }

  private:
    static void Collect(const char*, const char* text, void* context) {
        auto* self = static_cast<ShownErrors*>(context);
        std::lock_guard lock(self->mutex_);
        self->texts_.emplace_back(text);
    }
    mutable std::mutex mutex_;
    std::vector<std::string> texts_;
};

}  // namespace dorvex::test
