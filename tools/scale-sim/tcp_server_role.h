// The scale as TCP server on 127.0.0.1: the library's client link connects to it.
#pragma once

#include "scale_service.h"
#include "sim_options.h"

namespace dorvex::sim {

class TcpServerRole {
  public:
    TcpServerRole(const SimOptions& options, ScaleService& service)
        : options_(options), service_(service) {}
    // Serves until stopped; the process exit status.
    int Run();

  private:
    const SimOptions& options_;
    ScaleService& service_;
};

}  // namespace dorvex::sim
