// The library's reasons in words, read into strings for printing.
#pragma once

#include <string>

namespace dorvex::cli {

// Why this thread's latest failed call of the library failed.
std::string LastErrorText();
// Why the default engine's latest transfer ended with 5; empty when it did not.
std::string TransferErrorText();
// The same for the engine of a handle.
std::string EngineTransferErrorText(int handle);

}  // namespace dorvex::cli
