// songprep: rewrites a MIDI file into one that songmake converts without loss,
// and says what it changed.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <string>
#include <string_view>

#include "midifile/input_song.h"
#include "midifile/midifile.h"
#include "songprep/options.h"
#include "songprep/preparation.h"
#include "songprep/report.h"
#include "songprep/stream_size.h"
#include "songprep/wave_files.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/text_format.h"
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

// Says why nothing is written, and returns the exit code; kSuccess when the
// song is to be written.
int tellRefusal(const PrepOptions& options, const Preparation& preparation) {
    const std::string& in = options.inName;
    auto emptyLine = [&](const char* option, int channel) {
        std::string number = std::to_string(channel + 1);
        return toolkit::answerUsageError(
            kProgram, std::string(option) + " " + number + ": " + in +
                          (channel == midifile::kDrumChannel ? " has only drums on channel "
                                                             : " has no notes on channel ") +
                          number + (channel == midifile::kDrumChannel ? ", no pitched notes" : ""));
    };
    switch (preparation.verdict) {
        case Verdict::written:
            return kSuccess;
        case Verdict::emptyMelodyChannel:
            return emptyLine("--melody", options.melodyChannel);
        case Verdict::emptyBassChannel:
            return emptyLine("--bass", options.bassChannel);
        case Verdict::noNotes:
            toolkit::tellError(kProgram, in + " has no notes to arrange; nothing written");
            return kDoesNotFit;
        case Verdict::overSongFile:
            toolkit::tellError(kProgram, in +
                                             ": its song file would be over 16 MiB, too big for "
                                             "songmake to write; nothing written");
            return kDoesNotFit;
        case Verdict::doesNotFit:
            break;
    }
    const StreamFit& fit = preparation.fit;
    std::size_t limit = std::min(fit.maxBytes, kLargestStream);
    if (fit.melodyNotes == 0)
        toolkit::tellError(kProgram, toolkit::format("%s does not fit in %zu bytes of stream, even "
                                                     "with only one note; nothing written",
                                                     in.c_str(), limit));
    else
        toolkit::tellError(kProgram, toolkit::format("%s does not fit in %zu bytes of stream, "
                                                     "even with only the %s of its melody; "
                                                     "nothing written",
                                                     in.c_str(), limit,
                                                     fit.melodyNotes == 1
                                                         ? "one note"
                                                         : toolkit::plural(fit.melodyNotes, "note",
                                                                           "notes")
                                                               .c_str()));
    return kDoesNotFit;
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
    if (int refused = tellRefusal(options, preparation); refused != kSuccess) return refused;
    for (int channel : preparation.silentChannels)
        toolkit::tellError(kProgram, "warning: --voices: " + options.inName +
                                         " has no notes on channel " +
                                         std::to_string(channel + 1) + "; its voice stays silent");
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
