// The entry points shared by the libFuzzer targets and the regression test
// that replays the inputs they once crashed on. Each takes the raw bytes of
// one input and must return normally whatever the bytes are.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "engine/IniFile.h"
#include "engine/Settings.h"
#include "engine/platform/Paths.h"
#include "preview/Trajectoires.h"

namespace fuzzentry {

// Bytes used to pick the machine; shorter inputs keep the factory machine.
constexpr std::size_t kMachineBytes = 6;

inline std::string wholeNumber(uint8_t b)
{
    // 1 to 1021 steps per millimetre: from a coarse belt drive to a fine
    // micro-stepped screw.
    return std::to_string(1 + 4 * static_cast<int>(b));
}

// A private folder for the files the settings target writes, made once per
// process, reused by every input and removed at exit. The path lives in a
// plain array so that it is still there when the exit handler runs.
inline const char* scratchFolder()
{
    static char path[4096] = {};
    if (path[0] == '\0') {
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        std::string made;
        for (int attempt = 0; attempt < 100 && made.empty(); ++attempt) {
            const std::filesystem::path dir =
                base / ("tolvane-fuzz-" + std::to_string(random()) + std::to_string(attempt));
            std::error_code ec;
            if (std::filesystem::create_directory(dir, ec) && !ec)
                made = utf8FromPath(dir);
        }
        if (made.empty())
            throw std::runtime_error("cannot make a scratch folder under " + utf8FromPath(base));
        if (made.size() >= sizeof path)
            throw std::runtime_error("temporary folder name too long: " + made);
        made.copy(path, made.size());
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(pathFromUtf8(path), ignored);
        });
    }
    return path;
}

inline void writeWholeFile(const std::string& path, const uint8_t* data, std::size_t size)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        throw std::runtime_error("cannot write " + path);
    if (size != 0 && std::fwrite(data, 1, size, f) != size) {
        std::fclose(f);
        throw std::runtime_error("short write to " + path);
    }
    std::fclose(f);
}

struct Silent : ConversionObserver {};

// A command line carries no "nan" or "inf" and every whole number in it fits
// the controller's signed 32-bit step counts.
inline bool machineCanRead(std::string_view line)
{
    std::string lower(line);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (lower.find("nan") != std::string::npos || lower.find("inf") != std::string::npos)
        return false;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] < '0' || line[i] > '9') {
            ++i;
            continue;
        }
        const bool negative = i > 0 && line[i - 1] == '-';
        int64_t value = 0;
        for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
            value = value * 10 + (line[i] - '0');
            if (value > int64_t{1} << 32)
                return false;
        }
        if (i < line.size() && line[i] == '.') { // a speed: its fraction may be long
            ++i;
            while (i < line.size() && line[i] >= '0' && line[i] <= '9')
                ++i;
        }
        if (negative ? -value < INT32_MIN : value > INT32_MAX)
            return false;
    }
    return true;
}

// The first bytes pick the machine (steps per millimetre, rapid speeds, arc
// precision) within ranges a real machine can have; the rest is a G-code
// program run through the whole conversion from a fresh program start.
inline void convertProgram(const uint8_t* data, std::size_t size)
{
    resetEngineForProgramStart();
    std::string ofx = "40", ofy = "40", ofz = "40";
    if (size >= kMachineBytes) {
        ofx = wholeNumber(data[0]);
        ofy = wholeNumber(data[1]);
        ofz = wholeNumber(data[2]);
        machineSettings.maxSpeedXY = 1.0f + static_cast<float>(data[3]);
        machineSettings.maxSpeedZ = 1.0f + static_cast<float>(data[4]) / 2.0f;
        // 0.01 mm to 2.56 mm between an arc and its chords.
        machineSettings.arcPrecision = 0.01f * static_cast<float>(1 + data[5]);
        data += kMachineBytes;
        size -= kMachineBytes;
    }
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = splitSourceText(bytes);
    CommandLines output;
    std::vector<int32_t> lineMap;
    Silent observer;
    runConversion(lines, ofx, ofy, ofz, output, lineMap, observer);

    // Walk the tool-path store the preview would draw.
    std::size_t points = 0;
    for (const segmentView segment : trajectoryStore->getSegments())
        points += segment.getPoints().size();
    if (points != trajectoryStore->pointCount() || lineMap.size() != lines.size())
        std::abort();
    for (std::string_view line : output)
        if (!machineCanRead(line)) {
            std::fprintf(stderr, "command line the machine cannot read: %.*s\n",
                         static_cast<int>(line.size()), line.data());
            std::abort();
        }
}

// The bytes are a settings file: loaded as the program's settings, every text
// looked up in every language, then edited and saved through the ini reader.
inline void readSettings(const uint8_t* data, std::size_t size)
{
    const std::string path = std::string(scratchFolder()) + "/Tolvane.ini";
    writeWholeFile(path, data, size);

    overrideSettingsFilePath(path);
    resetEngineForProgramStart();
    const StepsPerMmTexts steps = loadMachineSettings();
    if (steps.ofx.empty() || steps.ofy.empty() || steps.ofz.empty())
        std::abort();
    for (int language = -1; language <= 3; ++language)
        for (int key = 0; key <= 36; ++key)
            (void)lookupText(language, key);
    overrideSettingsFilePath("");

    // The reader on its own: read every key the program knows, change one,
    // save and read the saved file back.
    IniFile ini(path);
    const std::string before = ini.content();
    (void)ini.readFloat("Machine", "Pas de vis X", 5.0f);
    (void)ini.readInteger("Machine", "Pas par tour X", 200);
    (void)ini.readBool("About", "Affiche", true);
    (void)ini.readString("Applications", "Editeur", "");
    ini.writeFloat("Machine", "Precision", 0.125f);
    ini.writeInteger("Langue", "current", 2);
    ini.writeString("Applications", "Editeur", "ed\nitor");
    std::string error;
    if (!ini.save(&error))
        throw std::runtime_error(error);
    IniFile again(path);
    if (again.content() != ini.content() || again.readInteger("Langue", "current", -7) != 2 ||
        again.readFloat("Machine", "Precision", -1.0f) != 0.125f)
        std::abort();
    (void)before;
}

} // namespace fuzzentry
