// SIGTERM and SIGINT as a descriptor that becomes readable, so that every wait of the
// simulator can include it and stop at once.
#pragma once

namespace dorvex::sim {

class StopSignal {
  public:
    // Installs the handlers (once per process). False when the pipe cannot be made.
    static bool Install();
    static int Fd();
    static bool Raised();
};

}  // namespace dorvex::sim
