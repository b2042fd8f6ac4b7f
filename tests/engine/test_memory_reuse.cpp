// A re-run converts the same program again in the same process (the window's
// F5). Each run must replace the tool-path store and the command list, not add
// to them: after the second run the process holds no more than after the first.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "preview/Trajectoires.h"
#include "tests/support/TestSystem.h"

#if defined(__SANITIZE_ADDRESS__)
#define TOLVANE_HEAP_INTERCEPTED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVANE_HEAP_INTERCEPTED 1
#endif
#endif

namespace {

// 20 000 lines of every kind of move: rapids, cuts, arcs, a staircase, a
// drilling row, and a comment.
std::vector<std::string> mixedProgram()
{
    std::vector<std::string> lines = {"G21 G90 G17", "M3 S1000"};
    for (int i = 0; i < 2000; ++i) {
        const std::string x = std::to_string(i % 97), y = std::to_string(i % 53);
        lines.push_back("G0 X" + x + " Y" + y + " Z2");
        lines.push_back("G1 Z-1 F300");
        lines.push_back("G1 X" + x + ".5 Y" + y + ".25");
        lines.push_back("G2 X" + x + ".5 Y" + y + ".25 I3 J0");
        lines.push_back("G3 X" + x + " Y" + y + " R4");
        lines.push_back("G1 X" + x + " Y1 Z-2");
        lines.push_back("G81 X" + x + " Y" + y + " Z-3 R1 F100");
        lines.push_back("G80");
        lines.push_back("(pocket " + std::to_string(i) + ")");
        lines.push_back("G0 Z5");
    }
    lines.push_back("M30");
    return lines;
}

TEST(MemoryReuse, ReRunsHoldNoMoreThanTheFirstRun)
{
#ifdef TOLVANE_HEAP_INTERCEPTED
    GTEST_SKIP() << "the sanitizer's allocator does not report through mallinfo2";
#endif
    const std::vector<std::string> program = mixedProgram();
    resetEngineForProgramStart();
    CommandLines output;
    std::vector<int32_t> lineMap;
    ConversionObserver quiet;

    std::vector<testsys::MemoryHeld> after;
    size_t commands = 0, points = 0;
    for (int run = 0; run < 4; ++run) {
        runConversion(program, "40", "40", "40", output, lineMap, quiet);
        if (run == 0) {
            commands = output.size();
            points = trajectoryStore->pointCount();
            ASSERT_GT(commands, 40000u);
            ASSERT_GT(points, 40000u);
        }
        // The same program gives the same result every time.
        EXPECT_EQ(output.size(), commands);
        EXPECT_EQ(trajectoryStore->pointCount(), points);
        after.push_back(testsys::memoryHeld());
    }
    // The first run may leave lasting caches behind; from the second on,
    // nothing may grow. A few kilobytes cover the allocator's own book-keeping.
    for (size_t run = 2; run < after.size(); ++run) {
        EXPECT_LE(after[run].heap, after[1].heap + 64 * 1024) << "heap after run " << run + 1;
        EXPECT_LE(after[run].pages, after[1].pages + 1024 * 1024)
            << "mapped pages after run " << run + 1;
    }
}

} // namespace
