// Growing blocks on Linux: anonymous mappings, moved by mremap, huge pages.
#include "engine/platform/GrowingBlocks.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstring>
#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// A fresh block. One of 2 MB or more starts on a 2 MB boundary and is
// advised as a whole to use huge pages: on this kind of machine a page fault
// costs tens of microseconds, and a huge page takes 512 of them at once.
void* freshBlock(std::size_t bytes)
{
    if (bytes < kHugePage) {
        void* block =
            ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (block == MAP_FAILED)
            throw std::bad_alloc();
        return block;
    }
    const std::size_t span = bytes + kHugePage;
    void* area = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        throw std::bad_alloc();
    const auto first = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t aligned = (first + kHugePage - 1) / kHugePage * kHugePage;
    if (aligned > first)
        ::munmap(area, aligned - first);
    const std::uintptr_t tail = aligned + bytes;
    if (first + span > tail)
        ::munmap(reinterpret_cast<void*>(tail), first + span - tail);
    void* block = reinterpret_cast<void*>(aligned);
    ::madvise(block, bytes, MADV_HUGEPAGE);
    return block;
}

} // namespace

void* mapped::grow(void* old, std::size_t oldBytes, std::size_t newBytes)
{
    if (old == nullptr)
        return freshBlock(newBytes);
    // A small block that becomes big moves to an aligned place of its own.
    if (oldBytes < kHugePage && newBytes >= kHugePage) {
        void* block = freshBlock(newBytes);
        std::memcpy(block, old, oldBytes);
        ::munmap(old, oldBytes);
        return block;
    }
    void* block = ::mremap(old, oldBytes, newBytes, MREMAP_MAYMOVE);
    if (block == MAP_FAILED) {
        // The kernel may refuse to move a block it has split (the huge-page
        // advice of a block grown in place, for one): copy it instead.
        block = freshBlock(newBytes);
        std::memcpy(block, old, oldBytes);
        ::munmap(old, oldBytes);
        return block;
    }
    // The advice covers the whole block: advising only a part would split
    // the mapping, and a later mremap of a range that spans two mappings
    // fails.
    if (newBytes >= kHugePage)
        ::madvise(block, newBytes, MADV_HUGEPAGE);
    return block;
}

void mapped::release(void* block, std::size_t bytes)
{
    ::munmap(block, bytes);
}

void mapped::adviseHugePages(const void* begin, std::size_t bytes)
{
    const auto first = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t from = (first + kHugePage - 1) / kHugePage * kHugePage;
    const std::uintptr_t to = (first + bytes) / kHugePage * kHugePage;
    if (to > from)
        ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}
