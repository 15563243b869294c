// songcheck: tells what converting a MIDI file with songmake will lose or
// change, and where, before anything is converted.
#include <cerrno>
#include <cstdio>
#include <string>

#include "songcheck/check_picture.h"
#include "songcheck/conversion_trace.h"
#include "songcheck/options.h"
#include "songcheck/report.h"
#include "songcheck/side_file_check.h"
#include "songcheck/song_check.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"

namespace {

using namespace songcheck;

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kPictureError = 3, kLoss = 4 };

constexpr const char* kProgram = "songcheck";

int check(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    CheckOptions options;
    toolkit::ArgumentReader arguments(argc, argv);
    parseOptions(arguments, options);
    if (auto answered = toolkit::answerOptions(arguments, kProgram, kUsage)) return *answered;
    if (std::string unopenable = toolkit::unopenableReason(options.midiName); !unopenable.empty()) {
        toolkit::tellError(kProgram, unopenable);
        return kReaderError;
    }

    SongSources sources = sourcesForMidiFile(options.midiName);
    if (options.svg) {
        std::string picture = pictureName(sources.base);
        std::string input = toolkit::inputAtOutput(
            picture, {options.midiName, sources.base + ".env", waveFileName(sources.base, 0),
                      waveFileName(sources.base, 1)});
        if (!input.empty()) {
            std::fprintf(stderr, "songcheck: can't write %s: it is the same file as %s\n",
                         picture.c_str(), input.c_str());
            return kPictureError;
        }
    }
    Findings waveFindings;
    sources.waveTables = checkWaveFiles(sources.base, waveFindings);
    ConversionTrace trace;
    sources.observer = &trace;
    Conversion conversion = convertSong(sources);
    if (conversion.outcome == ConversionOutcome::readerError) {
        toolkit::tellError(kProgram, conversion.readerError);
        return kReaderError;
    }
    trace.placeRecords(conversion.song);
    SongCheck check = checkSong(sources, conversion, trace, std::move(waveFindings),
                                {options.unitMs, options.maxBytes, options.svg});

    std::fputs(headerText(check.facts).c_str(), stdout);
    std::printf("\n%s\n", voiceTable(check.comparison).c_str());
    std::fputs(findingsText(check.findings).c_str(), stdout);
    std::printf("%s\n", closingLine(check.findings).c_str());
    if (options.svg) {
        std::string name = pictureName(sources.base);
        errno = 0;
        if (!toolkit::replaceFile(name, drawCheck(trace, check, options.unitMs))) {
            toolkit::tellError(kProgram, toolkit::fileProblem("write", name, errno));
            return kPictureError;
        }
        std::printf("%s written.\n", name.c_str());
    }
    return options.strict && check.findings.losses() > 0 ? kLoss : kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(check(argc, argv), kPictureError, "songcheck");
}
