// A temporary directory for one test, with the transfer directories "in", "out" and "err"
// inside, named after the running test and removed with everything in it at the end.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

namespace dorvex::test {

class TestDirectory {
  public:
    explicit TestDirectory(const std::string& prefix) {
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = prefix + "-" + (test != nullptr ? test->name() : "test") + "-" +
                           std::to_string(std::random_device()());
        root_ = std::filesystem::temp_directory_path() / name;
        for (const char* dir : {"in", "out", "err"})
            std::filesystem::create_directories(root_ / dir);
    }
    ~TestDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    std::filesystem::path In() const { return root_ / "in"; }
    std::filesystem::path Out() const { return root_ / "out"; }
    std::filesystem::path Err() const { return root_ / "err"; }

    // Writes `bytes` as they are to a file under the root ("in/x_w.csv", "table.csv").
    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(root_ / relative, std::ios::binary) << bytes;
    }

  private:
    std::filesystem::path root_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace dorvex::test
