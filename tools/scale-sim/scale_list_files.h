// The files that tell others where the scales listen: "NAME PORT" lines, or a SCALES file for
// the fleet commands. Each is written whole under a temporary name and then renamed, so that
// a reader who sees the file sees all of it.
#pragma once

#include <string>
#include <vector>

namespace dorvex::sim {

struct ListedScale {
    std::string name;
    int port = 0;
    int device = 1;
};

// False with `error` set when the file cannot be written.
bool WritePortsFile(const std::string& path, const std::vector<ListedScale>& scales,
                    std::string& error);
bool WriteScalesFile(const std::string& path, const std::vector<ListedScale>& scales,
                     std::string& error);

}  // namespace dorvex::sim
