// songprep: rewrites a MIDI file into one that songmake converts without loss,
// and says what it changed.
#include <cstdio>
#include <string>
#include <string_view>

#include "midifile/midifile.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"
#include "songprep/input_song.h"
#include "songprep/options.h"
#include "songprep/preparation.h"
#include "songprep/report.h"

namespace {

using namespace songprep;

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kWriteError = 3 };

bool writeOutput(const std::string& name, const midifile::MidiBytes& file) {
    // What songmake, songcheck and songprep itself would refuse to read is not written.
    if (file.size() > kMidiLargestFile) {
        std::fprintf(stderr,
                     "songprep: can't write %s: at %zu bytes it would be over the 64 MiB a MIDI "
                     "file may have\n",
                     name.c_str(), file.size());
        return false;
    }
    std::string_view content(reinterpret_cast<const char*>(file.data()), file.size());
    if (toolkit::replaceFile(name, content)) return true;
    std::printf("Can't write %s\n", name.c_str());
    return false;
}

int prepare(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    PrepOptions options;
    if (auto answered =
            toolkit::answerOptions(parseOptions(argc, argv, options), "songprep", kUsage))
        return *answered;

    if (std::string input = toolkit::inputAtOutput(options.outName, {options.inName});
        !input.empty()) {
        std::fprintf(stderr, "songprep: can't write %s: it is the same file as %s\n",
                     options.outName.c_str(), input.c_str());
        return kWriteError;
    }
    InputSong song;
    std::string readerError;
    if (!readInputSong(options.inName, song, readerError)) {
        std::printf("%s\n", readerError.c_str());
        return kReaderError;
    }
    Preparation preparation = prepareSong(song, options);
    if (!writeOutput(options.outName, preparation.file)) return kWriteError;
    std::fputs(reportText(options.inName, song, preparation, options.unitMs).c_str(), stdout);
    std::printf("%s written.\n", options.outName.c_str());
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(prepare(argc, argv), kWriteError, "songprep");
}
