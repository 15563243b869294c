// songprep: rewrites a MIDI file into one that songmake converts without loss,
// and says what it changed.
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "songprep/input_song.h"
#include "songprep/options.h"
#include "songprep/preparation.h"
#include "songprep/report.h"
#include "songprep/wave_files.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"

namespace {

using namespace songprep;

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kWriteError = 3, kDoesNotFit = 4 };

constexpr const char* kProgram = "songprep";

bool writeOutput(const std::string& name, const midifile::MidiBytes& file) {
    std::string_view content(reinterpret_cast<const char*>(file.data()), file.size());
    return toolkit::replaceFile(name, content);
}

}  // namespace

int main(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    PrepOptions options;
    toolkit::ArgumentReader arguments(argc, argv);
    parseOptions(arguments, options);
    if (auto answered = toolkit::answerOptions(arguments, kProgram, kUsage)) return *answered;

    InputSong song;
    std::string readerError = toolkit::unopenableReason(options.inName);
    if (!readerError.empty() || !readInputSong(options.inName, song, readerError)) {
        toolkit::tellError(kProgram, readerError);
        return kReaderError;
    }
    WaveFiles waves =
        gatherWaveFiles(options.inName, options.outName, options.waves, options.force);
    for (const std::string& warning : waves.warnings) toolkit::tellError(kProgram, warning);
    if (!waves.problem.empty()) {
        toolkit::tellError(kProgram, waves.problem);
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
    // The wave files first, so that a song is never written without them.
    if (std::string problem = writeWaveFiles(waves); !problem.empty()) {
        toolkit::tellError(kProgram, problem);
        return kWriteError;
    }
    errno = 0;
    if (!writeOutput(options.outName, preparation.file)) {
        std::string problem = toolkit::fileProblem("write", options.outName, errno);
        undoWaveFiles(waves);
        toolkit::tellError(kProgram, problem);
        return kWriteError;
    }
    std::fputs(reportText(options.inName, song, preparation, options).c_str(), stdout);
    std::fputs(waveFilesLine(waves).c_str(), stdout);
    std::printf("%s written.\n", options.outName.c_str());
    return kSuccess;
}
