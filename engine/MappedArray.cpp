#include "engine/MappedArray.h"

#include <sys/mman.h>

#include <new>

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

} // namespace

void* mapped::grow(void* old, std::size_t oldBytes, std::size_t newBytes)
{
    void* block = old == nullptr ? ::mmap(nullptr, newBytes, PROT_READ | PROT_WRITE,
                                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0)
                                 : ::mremap(old, oldBytes, newBytes, MREMAP_MAYMOVE);
    if (block == MAP_FAILED)
        throw std::bad_alloc();
    // The advice covers the whole block: advising only its aligned middle
    // would split the mapping in two, and a later mremap of a range that
    // spans two mappings fails. The kernel uses huge pages where they fit.
    if (newBytes >= kHugePage)
        ::madvise(block, newBytes, MADV_HUGEPAGE);
    return block;
}

void mapped::release(void* block, std::size_t bytes)
{
    ::munmap(block, bytes);
}
