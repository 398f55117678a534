#include "simulated_scale.h"

#include "store_edit.h"

namespace dorvex::sim {
namespace {

// TCP: the device number is checked only when given; serial frames always carry one.
std::optional<int> CheckedDevice(const SimOptions& options) {
    return options.role == SimRole::Serial ? std::optional<int>(options.SerialDevice())
                                           : options.device;
}

}  // namespace

SimulatedScale::SimulatedScale(const SimSchema& schema, SimOptions options)
    : schema_(schema),
      options_(std::move(options)),
      interpreter_(schema_, store_, CheckedDevice(options_)),
      service_(options_, interpreter_, log_) {}

bool SimulatedScale::Open(std::string& error) {
    if (!store_.Open(options_.dbPath, schema_)) {
        error = "database " + options_.dbPath + ": " + ToUtf8(store_.LastError());
        return false;
    }
    std::string editError;
    if (!ApplyStoreEdits(options_.edits, schema_, store_, editError)) {
        error = "database " + options_.dbPath + ": " + editError;
        return false;
    }
    if (!log_.Open(options_.logPath)) {
        error = "cannot write the log " + options_.logPath;
        return false;
    }
    return true;
}

}  // namespace dorvex::sim
