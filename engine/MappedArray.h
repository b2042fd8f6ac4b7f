// A growable array of plain values in a block of memory of its own.
//
// The big results of a conversion (command text, line offsets, tool-path
// points) grow to tens of megabytes. Kept in a block taken from the system
// (engine/platform/GrowingBlocks.h), growing moves their pages instead of
// copying them where the system can (mremap on Linux), pages never written
// are never made resident, and on Linux a block of 2 MB or more may be backed
// by huge pages, which spares the page faults of ordinary ones.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#include "engine/platform/GrowingBlocks.h"

template <typename T> class MappedArray {
    static_assert(std::is_trivially_copyable_v<T>);

  public:
    MappedArray() = default;
    MappedArray(const MappedArray& other) { append(other.data(), other.size()); }
    MappedArray(MappedArray&& other) noexcept
        : items(std::exchange(other.items, nullptr)), count(std::exchange(other.count, 0)),
          room(std::exchange(other.room, 0))
    {
    }
    MappedArray& operator=(const MappedArray& other)
    {
        if (this != &other) {
            count = 0;
            append(other.data(), other.size());
        }
        return *this;
    }
    MappedArray& operator=(MappedArray&& other) noexcept
    {
        if (this != &other) {
            release();
            items = std::exchange(other.items, nullptr);
            count = std::exchange(other.count, 0);
            room = std::exchange(other.room, 0);
        }
        return *this;
    }
    ~MappedArray() { release(); }

    T* data() { return items; }
    const T* data() const { return items; }
    std::size_t size() const { return count; }
    std::size_t capacity() const { return room; }
    T& operator[](std::size_t i) { return items[i]; }
    const T& operator[](std::size_t i) const { return items[i]; }

    void reserve(std::size_t wanted)
    {
        if (wanted > room)
            growTo(wanted);
    }

    void push_back(const T& value)
    {
        if (count == room)
            growTo(count + 1);
        items[count++] = value;
    }

    void append(const T* values, std::size_t n)
    {
        if (n == 0)
            return;
        if (n > room - count)
            growTo(count + n);
        std::memcpy(items + count, values, n * sizeof(T));
        count += n;
    }

    // Room for `n` more values at the end, written by the caller and then
    // taken in with commit().
    T* spare(std::size_t n)
    {
        if (n > room - count)
            growTo(count + n);
        return items + count;
    }
    void commit(std::size_t n) { count += n; }

    // Shortens the array; the mapping stays for the next values.
    void truncate(std::size_t n)
    {
        if (n < count)
            count = n;
    }
    void clear() { count = 0; }

    // Gives the mapping back.
    void release()
    {
        if (items != nullptr)
            mapped::release(items, room * sizeof(T));
        items = nullptr;
        count = 0;
        room = 0;
    }

  private:
    // At least doubles, from 64 KB on: few remaps, and a small array costs
    // one small mapping.
    void growTo(std::size_t wanted)
    {
        std::size_t next = room == 0 ? (std::size_t{1} << 16) / sizeof(T) : room;
        while (next < wanted) {
            if (next > (~std::size_t{0}) / 4 / sizeof(T))
                next = wanted; // let the mapping fail with bad_alloc
            else
                next *= 2;
        }
        items = static_cast<T*>(mapped::grow(items, room * sizeof(T), next * sizeof(T)));
        room = next;
    }

    T* items = nullptr;
    std::size_t count = 0;
    std::size_t room = 0;
};
