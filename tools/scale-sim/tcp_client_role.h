// The scale as TCP client: connects to the library's listening port, and again whenever the
// connection ends, until stopped.
#pragma once

#include "scale_service.h"
#include "sim_options.h"
#include "unique_fd.h"

namespace dorvex::sim {

class TcpClientRole {
  public:
    TcpClientRole(const SimOptions& options, ScaleService& service)
        : options_(options), service_(service) {}
    int Run();

  private:
    UniqueFd Connect() const;

    const SimOptions& options_;
    ScaleService& service_;
};

}  // namespace dorvex::sim
