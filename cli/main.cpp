// tolvane-convert: one conversion run without a window, as the desktop program
// makes it right after start-up, from a G-code file to a PROFILER command file.
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "cli/ByteBuffer.h"
#include "cli/FileIo.h"
#include "cli/Formats.h"
#include "cli/Options.h"
#include "cli/RunSummary.h"
#include "engine/Conversion.h"
#include "engine/Gcode.h"
#include "engine/Settings.h"
#include "engine/TextFile.h"
#include "engine/platform/CommandLine.h"
#include "engine/platform/OutputFile.h"
#include "engine/platform/Paths.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFile = 1;
constexpr int kExitUsage = 2;
constexpr int kExitIgnored = 3;

const char* const kProgram = "tolvane-convert";

void writeStderr(const std::string& text)
{
    writeStandardError(text);
}

int fail(int status, const std::string& message)
{
    writeStderr(std::string(kProgram) + ": " + message + "\n");
    if (status == kExitUsage)
        writeStderr(std::string("Try '") + kProgram + " --help' for more information.\n");
    return status;
}

std::string inQuotes(const std::string& path)
{
    return "'" + path + "'";
}

// How a result file is named in messages.
std::string targetName(const std::string& path)
{
    return path == "-" ? std::string("standard output") : inQuotes(path);
}

// Collects the reports of ignored word groups and writes them to standard
// error in large pieces: a broken program can have one on every line.
class CliObserver : public ConversionObserver {
  public:
    CliObserver(std::string inputName, bool quiet, bool verbose)
        : name(std::move(inputName)), quiet(quiet), verbose(verbose)
    {
    }
    ~CliObserver() override { flush(); }

    void reportGroup(int line, const std::string& group, const ReportInfo& info) override
    {
        ++count;
        if (quiet)
            return;
        pending.append(ignoredReport(name, line, group, info));
        if (pending.size() >= (1 << 16))
            flush();
    }

    void acceptedWithoutEffect(int line, const std::string& codes) override
    {
        if (verbose)
            pending.append(withoutEffectReport(name, line, codes));
    }

    void travelExceeded(int line, const TravelExcess& excess) override
    {
        pending.append(travelReport(name, line, excess));
    }

    void flush()
    {
        if (!pending.empty())
            writeStderr(pending);
        pending.clear();
    }

    long long ignored() const { return count; }

  private:
    std::string name;
    bool quiet;
    bool verbose;
    std::string pending;
    long long count = 0;
};

// A name for comparing targets that may not exist yet.
std::string comparableName(const std::string& path)
{
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(pathFromUtf8(path), ec);
    if (!ec)
        full = std::filesystem::weakly_canonical(full, ec);
    return ec ? path : utf8FromPath(full);
}

struct Target {
    std::string path;
    const char* what;
};

int run(const ConvertOptions& options)
{
    const std::string& input = options.input;
    const std::string inputName = input == "-" ? "<stdin>" : input;

    std::vector<Target> targets;
    targets.push_back(
        {options.output.empty() ? defaultOutputPath(input) : options.output, "command file"});
    if (!options.lineMap.empty())
        targets.push_back({options.lineMap, "line map"});
    if (!options.path.empty())
        targets.push_back({options.path, "tool path"});

    // Never replace the program being converted, nor write two results over
    // each other (an input named *.Cbr would otherwise be its own default output).
    for (std::size_t i = 0; i < targets.size(); ++i) {
        if (targets[i].path == "-")
            continue;
        if (sameExistingFile(targets[i].path, input) ||
            (input != "-" && comparableName(targets[i].path) == comparableName(input)))
            return fail(kExitUsage, "the " + std::string(targets[i].what) + " " +
                                        inQuotes(targets[i].path) +
                                        " would overwrite the input file; choose another name");
        for (std::size_t j = 0; j < i; ++j) {
            if (targets[j].path != "-" &&
                comparableName(targets[i].path) == comparableName(targets[j].path))
                return fail(kExitUsage, "the " + std::string(targets[j].what) + " and the " +
                                            targets[i].what + " are both " +
                                            inQuotes(targets[i].path));
        }
    }

    // An explicitly named settings file must exist; the default one is
    // optional, as it is for the desktop program.
    if (!options.settings.empty()) {
        ByteBuffer settingsBytes;
        std::string error;
        if (!settingsBytes.readFile(options.settings, error))
            return fail(kExitFile,
                        "cannot read settings file " + inQuotes(options.settings) + ": " + error);
        overrideSettingsFilePath(options.settings);
    }

    ByteBuffer bytes;
    {
        std::string error;
        if (!bytes.readFile(input, error))
            return fail(kExitFile, "cannot read " + inQuotes(inputName) + ": " + error);
    }
    // An executable or an image opened by mistake would give a command
    // file of stray moves: nothing is translated, nothing written.
    if (!looksLikeGcodeText(bytes.view()))
        return fail(kExitFile, inQuotes(inputName) + " is not a G-code text file");

    // Create every temporary file before the run, so that an unwritable
    // target is reported at once and nothing is replaced.
    std::vector<std::unique_ptr<AtomicOutput>> files;
    for (const Target& target : targets) {
        files.push_back(std::make_unique<AtomicOutput>());
        std::string error;
        if (!files.back()->open(target.path, error))
            return fail(kExitFile, "cannot write " + std::string(target.what) + " " +
                                       targetName(target.path) + ": " + error);
    }

    // The command lines, the line map and the tool-path store of a big
    // conversion are large. They live until the process ends: unmapping and
    // freeing them would only cost time (main ends with _Exit).
    struct Results {
        CommandLines commands;
        std::vector<int32_t> lineMap;
    };
    Results& work = *new Results;

    StepsPerMmTexts steps = loadMachineSettings();
    // Values of the settings file that the machine cannot use (a lead of 0,
    // a negative speed) were replaced by factory values: say so; the run
    // goes on with them, as the window's does.
    for (const std::string& problem : settingsProblems())
        writeStderr(std::string(kProgram) + ": settings file " + inQuotes(settingsFilePath()) +
                    ": " + problem + "\n");
    CliObserver observer(inputName, options.quiet, options.verbose);
    keepToolPath = !options.path.empty();
    // The run walks the lines of the file's bytes as they are: no list of
    // a million lines beside them.
    runConversionOnText(bytes.view(), steps.ofx, steps.ofy, steps.ofz, work.commands, work.lineMap,
                        observer);
    bytes.release();
    observer.flush();
    if (options.verbose)
        writeStderr(std::string(kProgram) + ": " + inQuotes(inputName) + ": " +
                    extentReport(runExtent()) + "\n");

    std::size_t next = 0;
    writeCommandFile(*files[next++], work.commands);
    if (!options.lineMap.empty())
        writeLineMap(*files[next++], work.lineMap);
    if (!options.path.empty())
        writePathCsv(*files[next++], *trajectoryStore);

    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!files[i]->finish(error))
            return fail(kExitFile, "cannot write " + std::string(targets[i].what) + " " +
                                       targetName(targets[i].path) + ": " + error);
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string error;
        if (!files[i]->commit(error))
            return fail(kExitFile, "cannot write " + std::string(targets[i].what) + " " +
                                       targetName(targets[i].path) + ": " + error);
    }

    if (options.strict && observer.ignored() > 0)
        return kExitIgnored;
    return kExitOk;
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args = commandLineArguments(argc, argv);
    ConvertOptions options;
    std::string error;
    if (!parseOptions(args, options, error))
        return fail(kExitUsage, error);
    // Through the platform layer, as the command file is: the bytes go out
    // unchanged (no line ends added by a C library's text mode).
    auto print = [&](const std::string& text) {
        OutputFile out;
        out.openStandardOutput();
        return out.write(text.data(), text.size(), error) ? kExitOk : kExitFile;
    };
    if (options.help)
        return print(usageText());
    if (options.showSettingsPath) {
        if (!options.settings.empty())
            overrideSettingsFilePath(options.settings);
        return print(settingsFilePath() + "\n");
    }
    int status = kExitFile;
    try {
        status = run(options);
    } catch (const std::bad_alloc&) {
        status = fail(kExitFile, "not enough memory to convert " +
                                     inQuotes(options.input == "-" ? "<stdin>" : options.input));
    } catch (const std::exception& e) {
        status = fail(kExitFile, "conversion of " +
                                     inQuotes(options.input == "-" ? "<stdin>" : options.input) +
                                     " failed: " + e.what());
    }
    // Every file is complete and closed (or removed) by now. Skip the
    // destruction of the tool-path store and of the other big results.
    std::_Exit(status);
}
