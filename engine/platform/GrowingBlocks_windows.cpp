// Growing blocks on Windows: committed pages from VirtualAlloc, which the
// system fills with zeros only when they are first touched. A block grows by
// reallocation: a new block, the old bytes copied, the old block released.
// The arrays at least double each time, so the copies cost little; large
// pages would need a privilege ordinary users lack, so none are asked for.
#include "engine/platform/GrowingBlocks.h"

#include <windows.h>

#include <cstring>
#include <new>

namespace {

void* freshBlock(std::size_t bytes)
{
    void* block = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (block == nullptr)
        throw std::bad_alloc();
    return block;
}

} // namespace

void* mapped::grow(void* old, std::size_t oldBytes, std::size_t newBytes)
{
    void* block = freshBlock(newBytes);
    if (old != nullptr) {
        std::memcpy(block, old, oldBytes < newBytes ? oldBytes : newBytes);
        ::VirtualFree(old, 0, MEM_RELEASE);
    }
    return block;
}

void mapped::release(void* block, std::size_t)
{
    ::VirtualFree(block, 0, MEM_RELEASE);
}

void mapped::adviseHugePages(const void*, std::size_t)
{
}
