#include "cli/Options.h"

#include <filesystem>

#include "engine/platform/Paths.h"
#include "engine/platform/UserFolders.h"

namespace {

enum class Arg { Output, Settings, LineMap, Path };

struct ValueOption {
    const char* longName;
    char shortName; // 0: long form only
    Arg target;
};

constexpr ValueOption kValueOptions[] = {
    {"output", 'o', Arg::Output},
    {"settings", 0, Arg::Settings},
    {"line-map", 0, Arg::LineMap},
    {"path", 0, Arg::Path},
};

std::string& field(ConvertOptions& options, Arg arg)
{
    switch (arg) {
    case Arg::Output:
        return options.output;
    case Arg::Settings:
        return options.settings;
    case Arg::LineMap:
        return options.lineMap;
    case Arg::Path:
        break;
    }
    return options.path;
}

bool setValue(ConvertOptions& options, const ValueOption& option, const std::string& value,
              std::string& error)
{
    std::string name = std::string("--") + option.longName;
    if (value.empty()) {
        error = "option '" + name + "' needs a file name, not an empty text";
        return false;
    }
    std::string& slot = field(options, option.target);
    if (!slot.empty()) {
        error = "option '" + name + "' given twice";
        return false;
    }
    slot = value;
    return true;
}

} // namespace

bool parseOptions(const std::vector<std::string>& args, ConvertOptions& options, std::string& error)
{
    std::vector<std::string> inputs;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg == "-h" || arg == "--help") {
            options.help = true;
            continue;
        }
        if (arg == "-q" || arg == "--quiet") {
            options.quiet = true;
            continue;
        }
        if (arg == "-v" || arg == "--verbose") {
            options.verbose = true;
            continue;
        }
        if (arg == "--show-settings-path") {
            options.showSettingsPath = true;
            continue;
        }
        if (arg == "--strict") {
            options.strict = true;
            continue;
        }

        const ValueOption* matched = nullptr;
        std::string value;
        bool hasValue = false;
        for (const ValueOption& option : kValueOptions) {
            std::string longForm = std::string("--") + option.longName;
            if (arg == longForm) {
                matched = &option;
            } else if (arg.compare(0, longForm.size() + 1, longForm + "=") == 0) {
                matched = &option;
                value = arg.substr(longForm.size() + 1);
                hasValue = true;
            } else if (option.shortName != 0 && arg.size() >= 2 && arg[1] == option.shortName) {
                matched = &option;
                if (arg.size() > 2) {
                    value = arg.substr(2);
                    hasValue = true;
                }
            }
            if (matched)
                break;
        }
        if (!matched) {
            error = "unknown option '" + arg + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                error = "option '" + arg + "' needs a file name";
                return false;
            }
            value = args[++i];
        }
        if (!setValue(options, *matched, value, error))
            return false;
    }

    if (options.help)
        return true;
    if (options.settings == "-") {
        error = "the settings file cannot be read from standard input";
        return false;
    }
    if (options.showSettingsPath)
        return true;
    if (inputs.empty()) {
        error = "no input file given";
        return false;
    }
    if (inputs.size() > 1) {
        error = "only one input file can be converted at a time (got '" + inputs[0] + "' and '" +
                inputs[1] + "')";
        return false;
    }
    options.input = inputs[0];
    if (options.input.empty()) {
        error = "the input file name is empty";
        return false;
    }

    // Only one result can go to standard output.
    int toStdout = 0;
    for (const std::string* target : {&options.lineMap, &options.path})
        toStdout += *target == "-";
    bool outputToStdout = options.output == "-" || (options.output.empty() && options.input == "-");
    toStdout += outputToStdout;
    if (toStdout > 1) {
        error = "only one of the command file, --line-map and --path can be written to standard "
                "output ('-')";
        return false;
    }
    return true;
}

std::string defaultOutputPath(const std::string& input)
{
    if (input == "-")
        return "-";
    std::filesystem::path path = pathFromUtf8(input);
    if (!path.has_filename())
        return input + ".Cbr";
    path.replace_extension(".Cbr");
    return utf8FromPath(path);
}

std::string usageText()
{
    return R"(Usage: tolvane-convert [options] INPUT

Translates the G-code program INPUT (RS274NGC) into a command file for the
PROFILER milling machine, exactly as the desktop program does when it opens
the file right after start-up. INPUT '-' reads the program from standard input.

Options:
  -o, --output FILE   write the command file to FILE (each line ends in CR LF).
                      Default: INPUT with its extension replaced by .Cbr
                      (standard output when INPUT is '-'). '-' writes to
                      standard output.
      --settings FILE read the machine settings from FILE instead of the
                      settings file of the desktop program (see below). A
                      missing default file means built-in defaults; a
                      missing FILE is an error.
      --show-settings-path
                      print the path of the settings file that would be read
                      (FILE when --settings is given) and exit.
      --line-map FILE write the line map to FILE: for every source line, the
                      index (from 0) of its first command line, or -1 when a
                      word group of the line was ignored; one number a line.
      --path FILE     write the tool path to FILE as CSV with the header
                      segment,x,y,z,kind and one row per recorded point
                      (x, y, z in preview units, z as stored; kind 0 rapid,
                      1 feed). The park at M02/M30 is a rapid of its own.
  -q, --quiet         do not report ignored word groups.
  -v, --verbose       after the run, print the program's extent (the least
                      and greatest X, Y and Z of its tool path, in mm).
      --strict        exit with status 3 when any word group was ignored.
  -h, --help          show this help and exit.

Settings file: Tolvane.ini beside the executable when its folder is
writable (a build folder, a copy of your own). Otherwise (an installed
Tolvane) the user's own Tolvane.ini in
  )" + std::string(userConfigFolderForHelp()) +
           R"(
when it exists, and Tolvane.ini beside the executable until then. The
desktop program creates the user's file the first time a setting is saved.
The converter only reads it.

Every word group the translator cannot handle is reported on standard error
as
  INPUT:LINE: ignored "GROUP"
with LINE counted from 1; the rest of the program is still translated.
When the settings file gives the machine's travel (Machine keys Course X,
Course Y, Course Z, in mm), the first move whose path spans more of an axis
than its travel is reported as
  INPUT:LINE: the path leaves the X travel of 300.0 mm by 12.5 mm
A file that is not G-code text (NUL bytes, or many control bytes, in its
first 64 KiB) is refused: nothing is translated or written (status 1).

Files are written whole or not at all: each goes to a temporary file beside
its target, which replaces the target only once it is complete. An existing
file is never left truncated.

Exit status:
  0  success
  1  a file could not be read or written (the message names it and says why)
  2  usage error
  3  --strict was given and some word group was ignored
)";
}
