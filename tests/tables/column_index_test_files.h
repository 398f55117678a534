// Index files made by hand for the column index tests.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/path.h"
#include "platform/text.h"

namespace dorvex::test {

inline void AppendLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

// The bytes of an index file with the given header fields and entries.
inline std::string IndexBytes(std::uint16_t version, std::uint32_t count, std::uint16_t type,
                              TextView name, const std::vector<std::uint32_t>& offsets) {
    std::string out;
    AppendLittleEndian(out, version, 2);
    AppendLittleEndian(out, count, 4);
    AppendLittleEndian(out, type, 2);
    AppendLittleEndian(out, static_cast<std::uint32_t>(name.size()), 2);
    for (char16_t unit : name)
        AppendLittleEndian(out, unit, 2);
    for (std::uint32_t offset : offsets)
        AppendLittleEndian(out, offset, 4);
    return out;
}

inline std::string FileBytes(TextView path) {
    std::ifstream in(FileSystemPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(TextView path, const std::string& bytes) {
    std::ofstream(FileSystemPath(path), std::ios::binary | std::ios::trunc) << bytes;
}

// Moves the modification time of `path` by `seconds` from that of `reference`.
inline void SetTimeFrom(TextView path, TextView reference, int seconds) {
    auto time = std::filesystem::last_write_time(FileSystemPath(reference));
    std::filesystem::last_write_time(FileSystemPath(path), time + std::chrono::seconds(seconds));
}

}  // namespace dorvex::test
