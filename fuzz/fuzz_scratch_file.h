// A file of this fuzzing process for inputs that must be read from disk, removed again at exit.
// Set TMPDIR=/dev/shm to keep it in memory.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace dorvex::fuzz {

class ScratchFile {
  public:
    explicit ScratchFile(const std::string& suffix)
        : path_(std::filesystem::temp_directory_path() /
                ("dorvex-fuzz-" + std::to_string(std::random_device{}()) + suffix)) {}
    ~ScratchFile() {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    void Write(const std::uint8_t* data, std::size_t size) const {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }

  private:
    std::filesystem::path path_;
};

}  // namespace dorvex::fuzz
