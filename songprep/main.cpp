// songprep: rewrites a MIDI file into one that songmake converts without loss,
// and says what it changed.
#include <cstdio>
#include <string>
#include <string_view>

#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"
#include "songprep/input_song.h"
#include "songprep/options.h"
#include "songprep/preparation.h"
#include "songprep/report.h"

namespace {

using namespace songprep;

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kWriteError = 3, kDoesNotFit = 4 };

bool writeOutput(const std::string& name, const midifile::MidiBytes& file) {
    std::string_view content(reinterpret_cast<const char*>(file.data()), file.size());
    return toolkit::replaceFile(name, content);
}

}  // namespace

int main(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    PrepOptions options;
    if (auto answered =
            toolkit::answerOptions(parseOptions(argc, argv, options), "songprep", kUsage))
        return *answered;

    InputSong song;
    std::string readerError;
    if (!readInputSong(options.inName, song, readerError)) {
        std::printf("%s\n", readerError.c_str());
        return kReaderError;
    }
    Preparation preparation = prepareSong(song, options);
    if (!preparation.fit.fits) {
        std::fprintf(stderr,
                     "songprep: %s does not fit in %zu bytes of stream, even with only the %zu "
                     "notes of its melody; nothing written\n",
                     options.inName.c_str(), preparation.fit.maxBytes, preparation.fit.melodyNotes);
        return kDoesNotFit;
    }
    if (!writeOutput(options.outName, preparation.file)) {
        std::printf("Can't write %s\n", options.outName.c_str());
        return kWriteError;
    }
    std::fputs(reportText(options.inName, song, preparation, options).c_str(), stdout);
    std::printf("%s written.\n", options.outName.c_str());
    return kSuccess;
}
