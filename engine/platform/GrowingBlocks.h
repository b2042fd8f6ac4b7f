// Blocks of memory for the arrays that grow to tens of megabytes (command
// text, line ends, tool-path points, a whole program's bytes): taken from the
// system directly, grown without a copy where the system can, and handed
// back whole. Pages that are never written cost no memory.
#pragma once

#include <cstddef>

namespace mapped {

// A fresh block (old == nullptr), or `old` grown to `newBytes` with its first
// `oldBytes` kept. Throws std::bad_alloc on failure.
void* grow(void* old, std::size_t oldBytes, std::size_t newBytes);
void release(void* block, std::size_t bytes);
// Asks for huge pages in the whole 2 MB pages inside a block that some other
// allocator made (a big std::vector). Only for blocks that are never remapped.
// Does nothing where the system has no such advice.
void adviseHugePages(const void* begin, std::size_t bytes);

} // namespace mapped
