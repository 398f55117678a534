// Makes the port "COMn" reach a device (the simulator's pseudo-terminal) for one test, and
// undoes it at the end. On Linux through the DORVEX_COMn variable; under Wine through the
// prefix's dosdevices/comN link, which is how Wine maps COM ports to devices.
#pragma once

#include <cstdlib>
#include <string>

#ifdef _WIN32
#include "support/unix_process.h"
#endif

namespace dorvex::test {

class ComPortMapping {
  public:
    ComPortMapping(int number, const std::string& device) : number_(number) {
#ifdef _WIN32
        const char* prefix = std::getenv("WINEPREFIX");
        if (prefix == nullptr || device.empty())
            return;
        link_ = std::string(prefix) + "/dosdevices/com" + std::to_string(number);
        // Run through a shell that prints once the link is there: the end of its output is
        // the end of the program.
        mapped_ = UnixProcess::Run({"/bin/sh", "-c", "ln -sfn \"$0\" \"$1\" && echo mapped", device,
                                    link_}) == "mapped\n";
#else
        mapped_ = !device.empty() && setenv(Variable().c_str(), device.c_str(), 1) == 0;
#endif
    }
    ~ComPortMapping() {
#ifdef _WIN32
        if (mapped_)
            UnixProcess::Run({"/bin/rm", "-f", link_});
#else
        unsetenv(Variable().c_str());
#endif
    }
    ComPortMapping(const ComPortMapping&) = delete;
    ComPortMapping& operator=(const ComPortMapping&) = delete;

    bool Mapped() const {
        return mapped_;
    }

  private:
    std::string Variable() const {
        return "DORVEX_COM" + std::to_string(number_);
    }

    int number_;
    bool mapped_ = false;
#ifdef _WIN32
    std::string link_;
#endif
};

}  // namespace dorvex::test
