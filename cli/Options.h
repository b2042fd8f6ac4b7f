// Command-line options of the converter.
#pragma once

#include <string>
#include <vector>

struct ConvertOptions {
    std::string input;    // "-" reads standard input
    std::string output;   // empty: derived from the input; "-" is standard output
    std::string settings; // empty: the settings file the desktop program reads
    std::string lineMap;  // empty: not written
    std::string path;     // empty: not written
    bool quiet = false;
    bool verbose = false; // say the program's extent after the run
    bool strict = false;
    bool help = false;
    bool showSettingsPath = false; // print the settings file's path and stop
};

// Parses the arguments after the program name. Returns false and sets `error`
// to a one-line message on a usage error.
bool parseOptions(const std::vector<std::string>& args, ConvertOptions& options,
                  std::string& error);

// The text printed by --help.
std::string usageText();

// The command file beside the input: its extension replaced by ".Cbr" (added
// when the file name has none). Dots in folder names are left alone.
std::string defaultOutputPath(const std::string& input);
