#include "platform/process_id.h"

#include <windows.h>

namespace dorvex {

int ProcessId() {
    return static_cast<int>(GetCurrentProcessId());
}

}  // namespace dorvex
