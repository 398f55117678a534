// The one poll every wait on a descriptor goes through: the descriptor and the wake signal
// together, so that any wait can be interrupted.
#pragma once

#include <cstdint>

#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace dorvex {

// Waits up to timeoutMs for `events` (poll flags) on fd, or for the wake signal.
WaitResult WaitForDescriptor(int fd, short events, int timeoutMs, const WakeSignal* wake);
// The same up to a deadline of TickUs(), kept to the microsecond: a deadline already passed
// still reports what is ready now.
WaitResult WaitForDescriptorUntil(int fd, short events, std::int64_t deadlineUs,
                                  const WakeSignal* wake);

}  // namespace dorvex
