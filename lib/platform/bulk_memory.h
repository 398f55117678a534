// Memory for a large store that is filled front to back and given back as a whole (the request
// bodies of a million-row file). It comes straight from the system and, where the system allows
// it, is backed by large pages: filling 100 MB then costs some fifty page faults instead of
// some 25,000, which is a good part of preparing a large file.
#pragma once

#include <cstddef>

namespace dorvex {

class BulkMemory {
  public:
    BulkMemory() = default;
    // `bytes` of memory, unspecified content; throws std::bad_alloc when there is not enough.
    explicit BulkMemory(std::size_t bytes);
    ~BulkMemory();
    BulkMemory(BulkMemory&& other) noexcept;
    BulkMemory& operator=(BulkMemory&& other) noexcept;
    BulkMemory(const BulkMemory&) = delete;
    BulkMemory& operator=(const BulkMemory&) = delete;

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

  private:
    void Release();

    char* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace dorvex
