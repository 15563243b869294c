// songprep: rewrites a MIDI file into one that songmake converts without loss,
// and says what it changed.
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "midifile/input_song.h"
#include "midifile/midifile.h"
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

// Empty when written; otherwise what went wrong.
std::string writeOutput(const std::string& name, const midifile::MidiBytes& file) {
    // What songmake, songcheck and songprep itself would refuse to read is not written.
    if (file.size() > kMidiLargestFile)
        return "can't write " + name + ": at " + std::to_string(file.size()) +
               " bytes it would be over the 64 MiB a MIDI file may have";
    std::string_view content(reinterpret_cast<const char*>(file.data()), file.size());
    errno = 0;
    if (toolkit::replaceFile(name, content)) return "";
    return toolkit::fileProblem("write", name, errno);
}

int prepare(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    PrepOptions options;
    toolkit::ArgumentReader arguments(argc, argv);
    parseOptions(arguments, options);
    if (auto answered = toolkit::answerOptions(arguments, kProgram, kUsage)) return *answered;

    if (std::string input = toolkit::inputAtOutput(options.outName, {options.inName});
        !input.empty()) {
        toolkit::tellError(kProgram,
                           "can't write " + options.outName + ": it is the same file as " + input);
        return kWriteError;
    }
    midifile::InputSong song;
    std::string readerError = toolkit::unopenableReason(options.inName);
    if (!readerError.empty() || !midifile::readInputSong(options.inName, song, readerError)) {
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
    if (std::string problem = writeOutput(options.outName, preparation.file); !problem.empty()) {
        undoWaveFiles(waves);
        toolkit::tellError(kProgram, problem);
        return kWriteError;
    }
    std::fputs(reportText(options.inName, song, preparation, options).c_str(), stdout);
    std::fputs(waveFilesLine(waves).c_str(), stdout);
    std::printf("%s written.\n", options.outName.c_str());
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(prepare(argc, argv), kWriteError, "songprep");
}
