// Hostile inputs made at run time, and small file systems for the
// bad-input tests of the converter and of the window: mounted in a mount
// namespace of the calling thread alone, so that a test that dies leaves no
// mount behind (tests/support/TestSystem.h; on Windows there are none and
// the tests that need them skip).
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "tests/support/TestSystem.h"

namespace badinput {

namespace fs = std::filesystem;

// Time bounds are set for an optimised build; a debug build and, much more,
// a sanitizer build run the same inputs several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
inline constexpr int kSlowBuildFactor = 8;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
inline constexpr int kSlowBuildFactor = 8;
#elif defined(NDEBUG)
inline constexpr int kSlowBuildFactor = 1;
#else
inline constexpr int kSlowBuildFactor = 4;
#endif
#elif defined(NDEBUG)
inline constexpr int kSlowBuildFactor = 1;
#else
inline constexpr int kSlowBuildFactor = 4;
#endif

// Pseudo-random bytes, the same on every run.
inline std::string binaryBytes(std::size_t size, uint32_t seed = 12345)
{
    std::string bytes(size, '\0');
    uint32_t x = seed;
    for (char& c : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xff);
    }
    return bytes;
}

using testsys::fillUp;
using testsys::Mount;
using testsys::nobodyUid;
using testsys::privateMountNamespace;

} // namespace badinput
