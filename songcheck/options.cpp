#include "songcheck/options.h"

#include <string_view>

#include "toolkit/command_line.h"
#include "songformat/songformat.h"

namespace songcheck {

const char* const kUsage =
    "Usage:\n"
    " songcheck [--strict] [--svg] [--unit-ms MS] [--max-bytes N] midi_file\n"
    "\n"
    "Tells what converting midi_file with songmake will lose or change, and where.\n"
    "  --strict        exit with 4 when anything is lost\n"
    "  --svg           also draw the file's notes and the song's as BASE.check.svg\n"
    "  --unit-ms MS    the player unit in milliseconds (default 2.5)\n"
    "  --max-bytes N   the stream size the firmware holds (default 65536)\n"
    "  --help, --version\n";

OptionsVerdict parseOptions(int argc, char** argv, CheckOptions& options) {
    options.unitMs = toolkit::kDefaultUnitMs;
    options.maxBytes = songformat::kMaxAddressableStream;
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        bool hasValue = i + 1 < argc;
        double number = 0;
        if (argument == "--help") return OptionsVerdict::help;
        if (argument == "--version") return OptionsVerdict::version;
        if (argument == "--strict") {
            options.strict = true;
        } else if (argument == "--svg") {
            options.svg = true;
        } else if (argument == "--unit-ms") {
            if (!hasValue || !toolkit::parseOptionNumber(argv[++i], number) || number <= 0)
                return OptionsVerdict::usageError;
            options.unitMs = number;
        } else if (argument == "--max-bytes") {
            if (!hasValue || !toolkit::parseOptionNumber(argv[++i], number) || number < 1 ||
                number > 1e15 || number != static_cast<double>(static_cast<std::size_t>(number)))
                return OptionsVerdict::usageError;
            options.maxBytes = static_cast<std::size_t>(number);
        } else if (argument.starts_with("--") || !options.midiName.empty()) {
            return OptionsVerdict::usageError;
        } else {
            options.midiName = argument;
        }
    }
    return options.midiName.empty() ? OptionsVerdict::usageError : OptionsVerdict::run;
}

}  // namespace songcheck
