// Converts one program several times in the same process, as the window does
// on every re-run, and prints the memory held after each run. The figures of
// the later runs must not grow: each run replaces the tool-path store and the
// command list instead of adding to them. At the end everything is released
// normally, so that valgrind or LeakSanitizer can check that nothing leaks.
//
// Usage: conversion_memory FILE [RUNS]        (RUNS default 3)
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"

namespace {

struct Quiet : ConversionObserver {
    long ignored = 0;
    void reportIgnored(int, const std::string&) override { ++ignored; }
};

// Resident and virtual size of the process in MB, from /proc/self/statm.
void processSizes(double& residentMb, double& virtualMb)
{
    residentMb = virtualMb = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f)
        return;
    unsigned long pages = 0, resident = 0;
    if (std::fscanf(f, "%lu %lu", &pages, &resident) == 2) {
        const double page = 4096.0 / (1024.0 * 1024.0);
        virtualMb = pages * page;
        residentMb = resident * page;
    }
    std::fclose(f);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 3;
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open\n", argv[1]);
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::string_view> lines = splitSourceViews(bytes);

    resetEngineForProgramStart();
    CommandLines output;
    std::vector<int32_t> lineMap;
    std::printf("run  seconds  commands  points  heap-in-use-MB  resident-MB  virtual-MB\n");
    for (int run = 1; run <= runs; ++run) {
        Quiet observer;
        const auto start = std::chrono::steady_clock::now();
        runConversion(lines, "40", "40", "40", output, lineMap, observer);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const struct mallinfo2 heap = mallinfo2();
        double resident = 0, virt = 0;
        processSizes(resident, virt);
        std::printf("%3d  %7.2f  %8zu  %6zu  %14.1f  %11.1f  %10.1f\n", run, seconds, output.size(),
                    trajectoryStore->pointCount(),
                    (heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0), resident, virt);
    }
    return 0;
}
