// A file opened for reading at any offset without moving a shared position: one system call
// per read, no buffer to refill. The column index reads one record line per probe this way.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/text.h"

namespace dorvex {

class RandomAccessFile {
  public:
    RandomAccessFile() = default;
    ~RandomAccessFile();
    RandomAccessFile(const RandomAccessFile&) = delete;
    RandomAccessFile& operator=(const RandomAccessFile&) = delete;

    // Opens `path` for reading only; an open file is closed first.
    bool Open(TextView path);
    void Close();
    bool IsOpen() const { return handle_ >= 0; }

    // Reads up to `size` bytes at `offset`; the count read (0 at the end), -1 on failure.
    std::int64_t ReadAt(std::int64_t offset, char* buffer, std::size_t size) const;

  private:
    int handle_ = -1;
};

}  // namespace dorvex
