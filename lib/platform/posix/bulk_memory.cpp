#include "platform/bulk_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <new>
#include <utility>

namespace dorvex {
namespace {

// The size of a large page on the machines this runs on; only a hint for the alignment.
constexpr std::size_t kLargePage = std::size_t{2} << 20;

// Maps `bytes` at an address aligned to a large page, so that a block of several large pages is
// wholly backed by them (a mapping at any page is so only from its first aligned address on).
char* MapAligned(std::size_t bytes) {
    const std::size_t mapped = bytes + kLargePage;
    void* raw = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
    const std::size_t head = aligned - start;
    if (head > 0)
        munmap(raw, head);
    const std::size_t tail = mapped - head - bytes;
    if (tail > 0)
        munmap(reinterpret_cast<char*>(aligned) + bytes, tail);
    return reinterpret_cast<char*>(aligned);
}

}  // namespace

BulkMemory::BulkMemory(std::size_t bytes) {
    if (bytes == 0)
        return;
    data_ = MapAligned(bytes);
    if (data_ == nullptr)
        throw std::bad_alloc();
    size_ = bytes;
    // Only advice: without it the memory is the same, just slower to fill. Populated at once,
    // the block costs one call instead of a fault per page as it fills.
#ifdef MADV_HUGEPAGE
    madvise(data_, size_, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_WRITE
    madvise(data_, size_, MADV_POPULATE_WRITE);
#endif
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
        munmap(data_, size_);
    data_ = nullptr;
    size_ = 0;
}

}  // namespace dorvex
