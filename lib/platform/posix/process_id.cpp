#include "platform/process_id.h"

#include <unistd.h>

namespace dorvex {

int ProcessId() {
    return static_cast<int>(getpid());
}

}  // namespace dorvex
