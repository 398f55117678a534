#include "platform/bulk_memory.h"

#include <windows.h>

#include <new>
#include <utility>

namespace dorvex {

// Large pages need a privilege ordinary users lack: the memory is committed as it is.
BulkMemory::BulkMemory(std::size_t bytes) {
    if (bytes == 0)
        return;
    data_ =
        static_cast<char*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    if (data_ == nullptr)
        throw std::bad_alloc();
    size_ = bytes;
}

BulkMemory::~BulkMemory() {
    Release();
}

BulkMemory::BulkMemory(BulkMemory&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

BulkMemory& BulkMemory::operator=(BulkMemory&& other) noexcept {
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

void BulkMemory::Release() {
    if (data_ != nullptr)
        VirtualFree(data_, 0, MEM_RELEASE);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace dorvex
