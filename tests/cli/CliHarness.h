// Runs the built converter as a separate process in a private temporary
// folder and reads back what it wrote.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace clitest {

namespace fs = std::filesystem;

struct Outcome {
    int exitCode = -1; // -1 when the process did not exit normally
    int signal = 0;    // the signal (Windows: the exception) that ended it, 0 when it exited
    bool timedOut = false;
    std::string out; // standard output
    std::string err; // standard error
};

// A unique folder, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const fs::path& path() const { return dir; }
    // `name` (UTF-8) inside the folder.
    fs::path operator/(const std::string& name) const;
    // Writes `bytes` to `name` inside the folder and returns the full path
    // (UTF-8).
    std::string write(const std::string& name, const std::string& bytes) const;
    // An empty settings file: every key takes its built-in default.
    std::string defaultSettings() const;

  private:
    fs::path dir;
};

// Runs command[0] (a full path) with the other arguments, all UTF-8;
// standard input comes from `stdinFile` (or nothing); it runs in `workDir`
// when one is given. A run that takes longer than `timeoutSeconds` is killed.
// (CliProcess_posix.cpp, CliProcess_windows.cpp)
Outcome runProgram(const std::vector<std::string>& command, const std::string& stdinFile = "",
                   const std::string& workDir = "", int timeoutSeconds = 120);

// Runs tolvane-convert with `args`; standard input comes from `stdinFile`
// (or /dev/null); it runs in `workDir` when one is given. A run that takes
// longer than `timeoutSeconds` is killed.
Outcome runConverter(const std::vector<std::string>& args, const std::string& stdinFile = "",
                     const std::string& workDir = "", int timeoutSeconds = 120);

std::string readFile(const fs::path& path);
void writeFile(const fs::path& path, const std::string& bytes);

// Splits at "\r\n"; returns false when some line ends otherwise (a bare "\n"
// or "\r", or a last line without its CR LF).
bool splitCrLf(const std::string& text, std::vector<std::string>& lines);
// Splits at "\n"; the text must end with one.
std::vector<std::string> splitLf(const std::string& text);

// The number of source lines in `bytes` by the controller's rule: CR LF, LF
// and a lone CR each end a line; a final break adds no empty line.
std::size_t countSourceLines(const std::string& bytes);

// True when `line` is one of the shapes of the PROFILER command vocabulary
// (header lines excluded).
bool isCommandLine(const std::string& line);
// True when the four lines are the header's shapes.
bool isHeader(const std::vector<std::string>& lines);

// The names (UTF-8) of the entries of a folder, sorted: to see that nothing
// was created and no temporary file was left behind.
std::vector<std::string> entries(const fs::path& dir);

} // namespace clitest
