// The scales of a fleet command: a SCALES file (one scale a line: NAME LINK ADDRESS DEVICE,
// separated by blanks; "#" starts a comment; blank lines allowed) or --scale texts of the same
// form. A name becomes a directory name, so it is held to letters, digits, "-", "_" and ".",
// never "." or "..", and unique.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dorvex::cli {

struct Scale {
    std::string name;
    std::string link;     // "IPC", "IPC:5120", "IPS:1121", "COM1:9600|RS485"
    std::string address;  // host for IPC, station for COM
    std::string device;   // the scale number
};

class ScaleList {
  public:
    // Parses the text of a SCALES file; on a bad line returns nothing and says which line
    // (counted from 1) and why in `error`.
    static std::optional<std::vector<Scale>> Parse(const std::string& text, std::string& error);
    // Reads and parses a SCALES file; the error names the file.
    static std::optional<std::vector<Scale>> Load(const std::string& path, std::string& error);
    // One --scale text ("NAME LINK ADDRESS DEVICE"), `where` naming it in the error.
    static std::optional<Scale> ParseLine(const std::string& line, const std::string& where,
                                          std::string& error);
    // Names must be unique across the whole list.
    static bool CheckUnique(const std::vector<Scale>& scales, std::string& error);
    // The scales of a SCALES file (when named) followed by those of --scale texts, unique.
    static std::optional<std::vector<Scale>> Gather(const std::string& scalesFile,
                                                    const std::vector<std::string>& scaleLines,
                                                    std::string& error);

    static bool IsValidName(const std::string& name);

    static constexpr std::size_t kMaxScales = 1000;
    static constexpr std::size_t kMaxLineLength = 1024;
    static constexpr std::size_t kMaxNameLength = 64;
};

}  // namespace dorvex::cli
