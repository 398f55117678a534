// One simulated scale: its options, its database (with the edits made behind the library's
// back), its request log, and the service that answers its requests. The process holds one,
// or one per port with --scales.
#pragma once

#include <string>

#include "request_interpreter.h"
#include "request_log.h"
#include "scale_service.h"
#include "sim_options.h"
#include "sim_schema.h"
#include "table_store.h"

namespace dorvex::sim {

class SimulatedScale {
  public:
    // `schema` must outlive the scale; `options` are the scale's own (SimOptions::ForScale).
    SimulatedScale(const SimSchema& schema, SimOptions options);
    SimulatedScale(const SimulatedScale&) = delete;
    SimulatedScale& operator=(const SimulatedScale&) = delete;

    // Opens the database, applies the edits and opens the log. False with `error` set.
    bool Open(std::string& error);

    const SimOptions& Options() const { return options_; }
    ScaleService& Service() { return service_; }

  private:
    const SimSchema& schema_;
    const SimOptions options_;
    TableStore store_;
    RequestLog log_;
    RequestInterpreter interpreter_;
    ScaleService service_;
};

}  // namespace dorvex::sim
