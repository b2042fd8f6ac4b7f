// A settings file in the classic ini layout, read and edited in memory.
//
// Rules of the Windows profile functions the file was designed for: a line
// "[name]" opens a section, "key=value" lines hold values, section and key
// names match without regard to letter case, keys may contain blanks
// ("Pas de vis X"), key and value lose their surrounding blanks, and the first
// occurrence of a section or key wins. Lines end at CR LF, LF or a lone CR.
//
// The file is read once when the object is built. Writes change the text in
// memory and keep every other byte of the file as it was (free-text blocks,
// comments, unknown keys, order, line ends, non-UTF-8 bytes); save() then
// replaces the file in one atomic step. A crash or a full disk therefore never
// leaves a half-written settings file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

class IniFile {
  public:
    // Reads `path`. A missing file is an empty file; a file that exists but
    // cannot be read is empty too, and loadError() says why (save() then
    // refuses to overwrite it).
    explicit IniFile(std::string path);

    const std::string& path() const { return path_; }
    // True when the file existed and was read.
    bool exists() const { return exists_; }
    // Empty when the file was read or did not exist.
    const std::string& loadError() const { return loadError_; }
    // The raw bytes as they are now (after any writes).
    const std::string& content() const { return content_; }

    bool hasSection(std::string_view section) const;
    // The trimmed value of the key, nullopt when the section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // The value; `def` when the key is missing. A key that is present with an
    // empty value gives "".
    std::string readString(std::string_view section, std::string_view key,
                           const std::string& def) const;
    // Decimal (or $/0x hexadecimal) 32-bit integer; `def` when missing or
    // when the text is not such a number.
    int32_t readInteger(std::string_view section, std::string_view key, int32_t def) const;
    // Any non-zero integer is true.
    bool readBool(std::string_view section, std::string_view key, bool def) const;
    // A finite 32-bit float written with "." or "," as decimal separator;
    // `def` otherwise.
    float readFloat(std::string_view section, std::string_view key, float def) const;

    // Sets the key's value. An existing key keeps its place (and its line
    // end); a new key goes after the last line of its section; a new section
    // goes to the end of the file. Line breaks in `value` become blanks.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInteger(std::string_view section, std::string_view key, int32_t value);
    void writeBool(std::string_view section, std::string_view key, bool value);
    // Shortest text that reads back to the same float, with the decimal
    // separator of the program's locale.
    void writeFloat(std::string_view section, std::string_view key, float value);

    // Replaces the whole text, for a copy of another settings file; save()
    // then writes it even when it is empty.
    void replaceContent(std::string bytes);

    // True after a write changed the text.
    bool modified() const { return modified_; }

    // Replaces the file with the current text: temporary file in the same
    // folder, flushed to disk, renamed over the old one. Returns false and
    // puts "<path>: <reason>" into `error` when anything fails; the old file
    // is then untouched. Does nothing (and succeeds) when nothing changed.
    bool save(std::string* error = nullptr);

  private:
    struct Span {
        std::size_t begin = 0; // first byte of the section's body
        std::size_t end = 0;   // first byte of the next header line, or the end
        bool found = false;
    };
    // What one scan learnt about a section, so that the next lookups in a big
    // file do not scan it again. Dropped on every write.
    struct SectionIndex {
        std::string name; // lower case
        Span span;
        std::unordered_map<std::string, std::size_t> keys; // lower-case key -> line start
        std::size_t indexedTo = 0; // keys before this offset are all in `keys`
    };
    SectionIndex& findSection(std::string_view section) const;
    void indexSections() const;
    // Offset of the first line of the section whose key matches, npos when none.
    std::size_t findKey(SectionIndex& index, std::string_view key) const;
    std::string_view lineEnding() const;
    void changed();

    // First occurrences of the sections, found by one pass over the file.
    mutable std::deque<SectionIndex> sections_;
    mutable std::unordered_map<std::string, SectionIndex*> sectionByName_;
    mutable bool sectionsIndexed_ = false;
    mutable bool sectionsComplete_ = false; // false: too many to index them all
    mutable SectionIndex missing_;
    std::string path_;
    std::string content_;
    std::string loadError_;
    bool exists_ = false;
    bool modified_ = false;
};

// Number texts of the settings file, shared with the configuration dialog.
// Accepts either "." or "," as decimal separator (not both), optional sign and
// exponent, surrounding blanks; rejects anything else, infinities, NaN and
// values beyond the float range.
bool parseSettingsFloat(std::string_view text, float& value);
// Optional sign and decimal digits, or $/0x hexadecimal; surrounding blanks;
// must fit a signed 32-bit integer.
bool parseSettingsInteger(std::string_view text, int32_t& value);
// Shortest round-trip text of `value` with the locale's decimal separator
// (2.5 -> "2.5" or "2,5", 5 -> "5", 0.05 -> "0.05").
std::string formatSettingsFloat(float value);
// The same with a given decimal separator.
std::string formatSettingsFloat(float value, std::string_view separator);
// Reads the whole file; false with `error` set when it exists but cannot be
// read. A missing file gives true, empty `bytes` and `exists` false.
bool readSettingsFileBytes(const std::string& path, std::string& bytes, bool& exists,
                           std::string* error);
