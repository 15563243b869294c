// songdump: lists what a song file holds, record by record, and can draw it
// as a piano roll.
#include <cstdio>
#include <span>
#include <string>
#include <string_view>

#include "songdump/piano_roll.h"
#include "songdump/report.h"
#include "songdump/svg_roll.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "songformat/records.h"
#include "songformat/song_reader.h"
#include "songformat/songformat.h"
#include "toolkit/whole_file.h"

namespace {

using namespace songdump;
using songformat::DecodeError;
using songformat::StreamDecoder;
using songformat::StreamVerdict;

enum ExitCode { kSuccess = 0, kFailure = 1 };

// What the command line asks for; --help and --version win over everything else.
enum class Request { kList, kHelp, kVersion, kUsageError };

struct Options {
    std::string songName;
    bool svg = false;
    bool summaryOnly = false;
};

const char* const kUsage =
    "Usage:\n songdump [--svg] [--summary] sng_file\n songdump --help | --version\n\n"
    "Lists the records of a song file; --svg also draws it as a piano roll.\n";

Request parseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--help") return Request::kHelp;
        if (argument == "--version") return Request::kVersion;
    }
    for (int i = 1; i < argc; ++i) {
        std::string_view argument = argv[i];
        if (argument == "--svg")
            options.svg = true;
        else if (argument == "--summary")
            options.summaryOnly = true;
        else if (argument.starts_with("--") || !options.songName.empty())
            return Request::kUsageError;
        else
            options.songName = argument;
    }
    return options.songName.empty() ? Request::kUsageError : Request::kList;
}

// Lists every record and feeds the summary and the roll; false at a bad record.
bool listRecords(StreamDecoder& decoder, const Options& options, SongSummary& summary,
                 PianoRoll& roll) {
    if (!options.summaryOnly) std::printf("%s\n", columnTitles().c_str());
    for (Record record; decoder.next(record);) {
        if (!options.summaryOnly) std::printf("%s\n", recordLine(record).c_str());
        summary.add(record);
        roll.add(record);
    }
    if (decoder.failure().error == DecodeError::kNone) return true;
    std::printf("%s\n", songformat::unplayableReason(decoder).c_str());
    return false;
}

// The player stops only at an end record; whatever follows it is never played.
bool checkEnd(const StreamDecoder& decoder) {
    switch (decoder.verdict()) {
        case StreamVerdict::kNoEnd:
            std::printf("%s\n", songformat::unplayableReason(decoder).c_str());
            return false;
        case StreamVerdict::kBytesAfterEnd:
            std::printf("Warn: %zu bytes after the end record at offset %zu are never played.\n",
                        decoder.bytesAfterEnd(), decoder.endOffset());
            return true;
        default:
            return true;
    }
}

bool writePianoRoll(const std::string& songName, const PianoRoll& roll) {
    std::string name = songformat::besideSong(songName, ".svg");
    std::string title = songName + ": " + std::to_string(roll.length()) + " player units";
    if (!toolkit::replaceFile(name, renderPianoRoll(roll, title))) {
        std::printf("Can't write %s\n", name.c_str());
        return false;
    }
    std::printf("%s written.\n", name.c_str());
    return true;
}

int listSong(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    Options options;
    switch (parseArguments(argc, argv, options)) {
        case Request::kHelp:
            std::fputs(kUsage, stdout);
            return kSuccess;
        case Request::kVersion:
            toolkit::printVersion("songdump");
            return kSuccess;
        case Request::kUsageError:
            std::fputs(kUsage, stdout);
            return kFailure;
        case Request::kList:
            break;
    }
    if (options.svg) {
        std::string picture = songformat::besideSong(options.songName, ".svg");
        if (toolkit::inputAtOutput(picture, {options.songName}) == options.songName) {
            std::fprintf(stderr, "songdump: can't write %s: it is the same file as %s\n",
                         picture.c_str(), options.songName.c_str());
            return kFailure;
        }
    }
    songformat::SongFile song;
    songformat::SongFileStatus status = songformat::readSongFile(options.songName, song);
    if (status != songformat::SongFileStatus::kOk) {
        std::printf("%s\n", songformat::unreadableReason(options.songName, status).c_str());
        return kFailure;
    }

    std::size_t streamBytes = song.stream().size();
    std::printf("%s\n", headerLine(options.songName, streamBytes).c_str());
    SongSummary summary;
    PianoRoll roll;
    StreamDecoder decoder(song.stream());
    if (!listRecords(decoder, options, summary, roll)) return kFailure;
    if (!checkEnd(decoder)) return kFailure;
    std::fputs(summary.text(streamBytes, decoder.endTime()).c_str(), stdout);
    if (options.svg && !writePianoRoll(options.songName, roll)) return kFailure;
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(listSong(argc, argv), kFailure, "songdump");
}
