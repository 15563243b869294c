#include "songcheck/options.h"

#include <string>
#include <string_view>

#include "songformat/songformat.h"
#include "songmake/conversion.h"
#include "toolkit/command_line.h"

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
    "  -h, --help, --version\n";

void parseOptions(toolkit::ArgumentReader& arguments, CheckOptions& options) {
    options.unitMs = toolkit::kDefaultUnitMs;
    options.maxBytes = songformat::kMaxAddressableStream;
    while (arguments.next()) {
        std::string_view value;
        double number = 0;
        if (arguments.isName()) {
            if (!options.midiName.empty())
                arguments.fail("one MIDI file at a time, not " + options.midiName + " and " +
                               std::string(arguments.name()));
            options.midiName = arguments.name();
        } else if (arguments.flag("--strict")) {
            options.strict = true;
        } else if (arguments.flag("--svg")) {
            options.svg = true;
        } else if (arguments.option("--unit-ms", value)) {
            if (!toolkit::parseOptionNumber(value, number) || number <= 0)
                arguments.failValue("--unit-ms", value,
                                    "a number of milliseconds above 0, such as 2.5");
            options.unitMs = number;
        } else if (arguments.option("--max-bytes", value)) {
            if (!toolkit::parseOptionNumber(value, number) || number < 1 || number > 1e15 ||
                number != static_cast<double>(static_cast<std::size_t>(number)))
                arguments.failValue("--max-bytes", value, "a whole number of bytes above 0");
            options.maxBytes = static_cast<std::size_t>(number);
        } else {
            arguments.failUnknown();
        }
    }
    if (options.midiName.empty())
        arguments.fail("no MIDI file given");
    else if (options.midiName.size() < kMidiExtensionLength)
        arguments.fail("expecting a .mid file, not " + options.midiName);
}

}  // namespace songcheck
