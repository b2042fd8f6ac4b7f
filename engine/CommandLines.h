// The command lines of a conversion, in order, without line terminators.
//
// A million-line program gives millions of short lines ("PA 1234,567;").
// They are kept as one text, each line an end offset into it, instead of one
// string object per line: a third of the memory and no allocation per line.
// The text is the command file itself, each line followed by the CR LF the
// controller expects, so that saving it is a single write. A line is read
// back, without its CR LF, as a std::string_view valid until the list
// changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "engine/LineEnds.h"
#include "engine/MappedArray.h"

// A short command line built on the stack ("PA 1234,-567;"), read as a
// string_view. Texts beyond its room are cut; the lines built with it are
// far shorter.
class LineText {
  public:
    static constexpr std::size_t kRoom = 48;

    operator std::string_view() const { return {text, length}; }
    std::string_view view() const { return {text, length}; }
    void add(std::string_view part)
    {
        const std::size_t n = part.size() < kRoom - length ? part.size() : kRoom - length;
        std::memcpy(text + length, part.data(), n);
        length += n;
    }
    void add(char c)
    {
        if (length < kRoom)
            text[length++] = c;
    }
    // Decimal digits, with a "-" below zero.
    void addInt(std::int32_t value)
    {
        if (kRoom - length < 11)
            return; // never for the lines built here
        char* out = text + length;
        auto u = static_cast<std::uint32_t>(value);
        if (value < 0) {
            *out++ = '-';
            u = 0u - u;
        }
        char digits[10];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        while (n > 0)
            *out++ = digits[--n];
        length = static_cast<std::size_t>(out - text);
    }

  private:
    friend class CommandLines;
    char text[kRoom];
    std::size_t length = 0;
};

class CommandLines {
  public:
    using value_type = std::string_view;
    using size_type = std::size_t;
    using reference = std::string_view;
    using const_reference = std::string_view;

    class const_iterator {
      public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = std::string_view;
        using difference_type = std::ptrdiff_t;
        using reference = std::string_view;
        using pointer = void;

        const_iterator() = default;
        const_iterator(const CommandLines* list_, std::size_t index_) : list(list_), index(index_)
        {
        }
        std::string_view operator*() const { return (*list)[index]; }
        std::string_view operator[](difference_type n) const
        {
            return (*list)[static_cast<std::size_t>(static_cast<difference_type>(index) + n)];
        }
        const_iterator& operator++()
        {
            ++index;
            return *this;
        }
        const_iterator operator++(int)
        {
            const_iterator old = *this;
            ++index;
            return old;
        }
        const_iterator& operator--()
        {
            --index;
            return *this;
        }
        const_iterator operator--(int)
        {
            const_iterator old = *this;
            --index;
            return old;
        }
        const_iterator& operator+=(difference_type n)
        {
            index = static_cast<std::size_t>(static_cast<difference_type>(index) + n);
            return *this;
        }
        const_iterator& operator-=(difference_type n) { return *this += -n; }
        friend const_iterator operator+(const_iterator it, difference_type n) { return it += n; }
        friend const_iterator operator+(difference_type n, const_iterator it) { return it += n; }
        friend const_iterator operator-(const_iterator it, difference_type n) { return it -= n; }
        friend difference_type operator-(const const_iterator& a, const const_iterator& b)
        {
            return static_cast<difference_type>(a.index) - static_cast<difference_type>(b.index);
        }
        friend bool operator==(const const_iterator& a, const const_iterator& b)
        {
            return a.index == b.index;
        }
        friend auto operator<=>(const const_iterator& a, const const_iterator& b)
        {
            return a.index <=> b.index;
        }

      private:
        const CommandLines* list = nullptr;
        std::size_t index = 0;
    };
    using iterator = const_iterator;

    CommandLines() = default;
    CommandLines(std::initializer_list<std::string_view> lines);
    // Any range of lines (string views, strings, C strings).
    template <typename It> CommandLines(It first, It last) { append(first, last); }

    std::size_t size() const { return ends.size(); }
    bool empty() const { return ends.size() == 0; }
    std::string_view operator[](std::size_t i) const
    {
        const std::uint64_t begin = i == 0 ? 0 : ends[i - 1];
        return {text.data() + begin, static_cast<std::size_t>(ends[i] - begin) - kEndBytes};
    }
    // Checked access: throws std::out_of_range past the end.
    std::string_view at(std::size_t i) const;
    std::string_view front() const { return (*this)[0]; }
    std::string_view back() const { return (*this)[size() - 1]; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size()}; }

    void push_back(std::string_view line)
    {
        char* out = text.spare(line.size() + kEndBytes);
        std::memcpy(out, line.data(), line.size());
        out[line.size()] = '\r';
        out[line.size() + 1] = '\n';
        text.commit(line.size() + kEndBytes);
        ends.push_back(text.size());
    }
    // The same for a line built on the stack: its whole room is copied at
    // once, which is quicker than a copy of the exact length.
    void push_back(const LineText& line)
    {
        char* out = text.spare(LineText::kRoom + kEndBytes);
        std::memcpy(out, line.text, LineText::kRoom);
        out[line.length] = '\r';
        out[line.length + 1] = '\n';
        text.commit(line.length + kEndBytes);
        ends.push_back(text.size());
    }
    void emplace_back(std::string_view line) { push_back(line); }
    template <typename It> void append(It first, It last)
    {
        for (; first != last; ++first)
            push_back(std::string_view(*first));
    }
    void append(const CommandLines& other);
    void append(std::initializer_list<std::string_view> lines)
    {
        append(lines.begin(), lines.end());
    }
    // Replaces the lines by those of a range.
    template <typename It> void assign(It first, It last)
    {
        clear();
        append(first, last);
    }

    // Room for `lines` lines of `bytes` of text in all.
    void reserve(std::size_t lines, std::size_t bytes = 0);
    // Keeps the first `lines` lines: takes back what a rejected word group
    // had begun to write.
    void truncate(std::size_t lines);
    // Empties the list and keeps its memory for the next run.
    void clear();
    // Empties the list and gives its memory back.
    void release();

    // The line terminator of the command file.
    static constexpr std::string_view kLineEnd = "\r\n";
    // All lines, each followed by kLineEnd: the command file's text.
    std::string_view fileText() const { return {text.data(), text.size()}; }

    friend bool operator==(const CommandLines& a, const CommandLines& b);

  private:
    static constexpr std::size_t kEndBytes = 2;

    MappedArray<char> text;
    LineEnds<32> ends;
};
