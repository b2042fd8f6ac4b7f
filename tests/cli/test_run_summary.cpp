// What the converter says about a run besides its reports: the extent with
// --verbose, and the first move beyond the machine's travel.
#include <gtest/gtest.h>

#include "tests/cli/CliHarness.h"

namespace {

using namespace clitest;

TEST(RunSummary, ExtentWithVerboseAndTheFirstMoveBeyondTheTravel)
{
    TempDir dir;
    const std::string input =
        dir.write("p.nc", "G0 X-5 Y2.5\nG1 Z-3 F100\nG0 Z150\nG0 X990\nG0 Z200\n");
    const std::string settings = dir.write("s.ini", "[Machine]\nCourse X=300\nCourse Z=100\n");
    const std::string out = (dir / "p.Cbr").string();

    const Outcome quiet = runConverter({"--settings", settings, "-o", out, input});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err, input + ":3: the path leaves the Z travel of 100.0 mm by 53.0 mm\n");

    const Outcome verbose = runConverter({"--settings", settings, "-v", "-o", out, input});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_EQ(verbose.err, quiet.err + "tolvane-convert: '" + input +
                               "': extent X -5.000 to 990.000, Y 0.000 to 2.500, Z -3.000 to "
                               "200.000 mm\n");

    // No move, no travel known: nothing to say but that.
    const std::string empty = dir.write("e.nc", "G21 (units only)\n");
    const Outcome none = runConverter(
        {"--settings", dir.defaultSettings(), "--verbose", "-o", (dir / "e.Cbr").string(), empty});
    EXPECT_EQ(none.err, "tolvane-convert: '" + empty + "': extent: no move\n");
}

} // namespace
