// The end offsets of the lines of one text, in 4 bytes a line.
//
// A command list holds millions of lines and rarely more than a few hundred
// megabytes of text, so each end keeps only its low `Bits` bits; the few
// places where the text passes a multiple of 2^Bits are kept apart, as the
// index of the first line that ends past it. Reading an end is a plain load
// while the text is shorter than 2^Bits (the list of passings is empty).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/MappedArray.h"

template <unsigned Bits> class LineEnds {
    static_assert(Bits >= 1 && Bits <= 32);

  public:
    std::size_t size() const { return low.size(); }

    std::uint64_t operator[](std::size_t i) const
    {
        std::uint64_t high = 0;
        if (!passings.empty())
            high = static_cast<std::uint64_t>(
                std::upper_bound(passings.begin(), passings.end(), i) - passings.begin());
        return (high << Bits) | low[i];
    }

    // Ends must not decrease from line to line.
    void push_back(std::uint64_t end)
    {
        while ((end >> Bits) > passings.size())
            passings.push_back(low.size());
        low.push_back(static_cast<std::uint32_t>(end & kMask));
    }

    void reserve(std::size_t lines) { low.reserve(lines); }

    // Keeps the first `lines` ends.
    void truncate(std::size_t lines)
    {
        low.truncate(lines);
        while (!passings.empty() && passings.back() >= lines)
            passings.pop_back();
    }
    void clear() { truncate(0); }
    void release()
    {
        low.release();
        std::vector<std::size_t>().swap(passings);
    }

  private:
    static constexpr std::uint64_t kMask = (std::uint64_t{1} << Bits) - 1;

    MappedArray<std::uint32_t> low;
    // passings[k]: the first line whose end is at least (k + 1) << Bits.
    std::vector<std::size_t> passings;
};
