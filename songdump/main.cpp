// songdump: lists what a song file holds, record by record, and can draw it
// as a piano roll.
#include <cerrno>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "songdump/piano_roll.h"
#include "songdump/report.h"
#include "songdump/svg_roll.h"
#include "songformat/records.h"
#include "songformat/song_reader.h"
#include "songformat/songformat.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/text_format.h"
#include "toolkit/whole_file.h"

namespace {

using namespace songdump;
using songformat::DecodeError;
using songformat::StreamDecoder;
using songformat::StreamVerdict;

enum ExitCode { kSuccess = 0, kFailure = 1 };

constexpr const char* kProgram = "songdump";

struct Options {
    std::string songName;
    bool svg = false;
    bool list = false;
    bool summaryOnly = false;
    double unitMs = toolkit::kDefaultUnitMs;

    // Without --svg the listing is what songdump is for; with it, only on request.
    bool showsRecords() const { return list || (!svg && !summaryOnly); }
    bool showsSummary() const { return showsRecords() || summaryOnly; }
};

const char* const kUsage =
    "Usage:\n"
    " songdump [--summary] [--svg [--list]] [--unit-ms MS] sng_file\n"
    "\n"
    "Lists the records of a song file and sums them up.\n"
    "  --summary      only the summary, not every record\n"
    "  --svg          draw the song as a piano roll, song.svg, instead of listing it\n"
    "  --list         with --svg, list the records as well\n"
    "  --unit-ms MS   the player unit in milliseconds, for the picture's time axis\n"
    "                 (default 2.5)\n"
    "  -h, --help, --version\n";

void parseArguments(toolkit::ArgumentReader& arguments, Options& options) {
    while (arguments.next()) {
        std::string_view value;
        if (arguments.isName()) {
            if (!options.songName.empty())
                arguments.fail("one song file at a time, not " + options.songName + " and " +
                               std::string(arguments.name()));
            options.songName = arguments.name();
        } else if (arguments.flag("--svg")) {
            options.svg = true;
        } else if (arguments.flag("--list")) {
            options.list = true;
        } else if (arguments.flag("--summary")) {
            options.summaryOnly = true;
        } else if (arguments.option("--unit-ms", value)) {
            if (!toolkit::parseOptionNumber(value, options.unitMs) || options.unitMs <= 0)
                arguments.failValue("--unit-ms", value,
                                    "a number of milliseconds above 0, such as 2.5");
        } else {
            arguments.failUnknown();
        }
    }
    if (options.songName.empty()) arguments.fail("no song file given");
}

// Lists every record and feeds the summary and the roll; false at a bad record.
bool listRecords(StreamDecoder& decoder, const Options& options, SongSummary& summary,
                 PianoRoll& roll) {
    if (options.showsRecords()) std::printf("%s\n", columnTitles().c_str());
    for (Record record; decoder.next(record);) {
        if (options.showsRecords()) std::printf("%s\n", recordLine(record).c_str());
        summary.add(record);
        roll.add(record);
    }
    if (decoder.failure().error == DecodeError::kNone) return true;
    toolkit::tellError(kProgram, songformat::unplayableReason(decoder));
    return false;
}

// The player stops only at an end record; whatever follows it is never played.
bool checkEnd(const StreamDecoder& decoder) {
    switch (decoder.verdict()) {
        case StreamVerdict::kNoEnd:
            toolkit::tellError(kProgram, songformat::unplayableReason(decoder));
            return false;
        case StreamVerdict::kBytesAfterEnd:
            toolkit::tellError(
                kProgram,
                toolkit::format("warning: %zu bytes after the end record at offset %zu are never "
                                "played.",
                                decoder.bytesAfterEnd(), decoder.endOffset()));
            return true;
        default:
            return true;
    }
}

bool writePianoRoll(const Options& options, const PianoRoll& roll) {
    std::string name = songformat::besideSong(options.songName, ".svg");
    errno = 0;
    if (!toolkit::replaceFile(name, renderPianoRoll(roll, options.songName, options.unitMs))) {
        toolkit::tellError(kProgram, toolkit::fileProblem("write", name, errno));
        return false;
    }
    std::printf("%s written.\n", name.c_str());
    return true;
}

int listSong(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    Options options;
    toolkit::ArgumentReader arguments(argc, argv);
    parseArguments(arguments, options);
    if (auto answered = toolkit::answerOptions(arguments, kProgram, kUsage)) return *answered;
    if (options.svg) {
        std::string picture = songformat::besideSong(options.songName, ".svg");
        if (toolkit::inputAtOutput(picture, {options.songName}) == options.songName) {
            toolkit::tellError(kProgram, "can't write " + picture + ": it is the same file as " +
                                          options.songName);
            return kFailure;
        }
    }
    songformat::SongFile song;
    songformat::SongFileStatus status = songformat::readSongFile(options.songName, song);
    if (status != songformat::SongFileStatus::kOk) {
        toolkit::tellError(kProgram, songformat::unreadableReason(options.songName, status));
        return kFailure;
    }

    std::size_t streamBytes = song.stream().size();
    if (options.showsSummary())
        std::printf("%s\n", headerLine(options.songName, streamBytes).c_str());
    SongSummary summary;
    PianoRoll roll;
    StreamDecoder decoder(song.stream());
    if (!listRecords(decoder, options, summary, roll)) return kFailure;
    if (!checkEnd(decoder)) return kFailure;
    if (options.showsSummary())
        std::fputs(summary.text(streamBytes, decoder.endTime()).c_str(), stdout);
    if (options.svg && !writePianoRoll(options, roll)) return kFailure;
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(listSong(argc, argv), kFailure, "songdump");
}
