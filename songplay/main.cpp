// songplay: renders a song file to a WAV file through a plain model of the
// synthesizer's four voices, to hear a song before flashing it.
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string>

#include "songformat/records.h"
#include "songformat/song_reader.h"
#include "songplay/play_clock.h"
#include "songplay/play_options.h"
#include "songplay/play_summary.h"
#include "songplay/song_renderer.h"
#include "songplay/wav_writer.h"
#include "toolkit/command_line.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"

namespace {

using namespace songplay;

enum ExitCode { kSuccess = 0, kFailure = 1 };

constexpr const char* kProgram = "songplay";

// The report goes to standard output, unless the WAV itself goes there; errors
// always go to standard error.
struct Messages {
    std::FILE* to = stdout;

    void line(const std::string& text) const { std::fprintf(to, "%s\n", text.c_str()); }
    int fail(const std::string& text) const {
        toolkit::tellError(kProgram, text);
        return kFailure;
    }
};

int answerCommandLine(const CommandLine& command) {
    switch (command.kind) {
        case CommandKind::kHelp:
            std::fputs(usageText(), stdout);
            return kSuccess;
        case CommandKind::kVersion:
            toolkit::printVersion(kProgram);
            return kSuccess;
        default:
            return toolkit::answerUsageError(kProgram, command.problem);
    }
}

// Decodes every record, those after the end record too: a song is refused for
// a bad record anywhere, as songdump refuses it.
songformat::StreamDecoder decodeWholeStream(const songformat::SongFile& song) {
    songformat::StreamDecoder decoder(song.stream());
    for (songformat::Record record; decoder.next(record);) {
    }
    return decoder;
}

std::unique_ptr<toolkit::OutputStream> openOutput(const std::string& name, bool toStdout) {
    if (toStdout) return std::make_unique<toolkit::StandardOutput>();
    auto file = std::make_unique<toolkit::ReplacementFile>(name);
    if (!file->open()) return nullptr;
    return file;
}

// The header with the sizes worked out beforehand, then the song as it renders.
PlayResult writeWav(toolkit::OutputStream& output, std::uint64_t frames, const PlayClock& clock,
                    const PlayOptions& options, const songformat::SongFile& song) {
    WavWriter wav(output);
    if (!wav.writeHeader(frames, clock.rate())) return {};
    RenderSettings settings{options.tableOfVoice, options.muted};
    PlayResult result = renderSong(song, clock, settings, [&](std::span<const std::int16_t> block) {
        return wav.writeFrames(block);
    });
    result.written = result.written && wav.complete() && output.finish();
    return result;
}

int play(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    CommandLine command = parseCommandLine(argc, argv);
    if (command.kind != CommandKind::kPlay) return answerCommandLine(command);
    const PlayOptions& options = command.options;
    bool toStdout = options.outputName == kStandardOutputName;
    Messages messages{toStdout ? stderr : stdout};
    std::string name = wavName(options);

    if (!toStdout && platform::sameFile(name, options.songName)) {
        std::fprintf(stderr, "songplay: can't write %s: it is the same file as %s\n", name.c_str(),
                     options.songName.c_str());
        return kFailure;
    }
    songformat::SongFile song;
    songformat::SongFileStatus status = songformat::readSongFile(options.songName, song);
    if (status != songformat::SongFileStatus::kOk)
        return messages.fail(songformat::unreadableReason(options.songName, status));
    songformat::StreamDecoder checked = decodeWholeStream(song);
    std::string unplayable = songformat::unplayableReason(checked);
    if (!unplayable.empty()) return messages.fail(unplayable);

    PlayClock clock(options.rate, options.unitMs);
    double exactFrames = clock.exactSongFrames(checked.endTime());
    // The rounded count is asked for only once the unrounded one is known to be in range.
    if (exactFrames > static_cast<double>(kLargestWavFrames) ||
        clock.songFrames(checked.endTime()) > kLargestWavFrames)
        return messages.fail(tooLongLine(name, exactFrames, options.rate));
    std::uint64_t frames = clock.songFrames(checked.endTime());

    std::string written = toStdout ? "WAV written to standard output" : name + " written";
    auto cantWrite = [&] {
        return toStdout ? toolkit::fileProblem("write the WAV to", "standard output", errno)
                        : toolkit::fileProblem("write", name, errno);
    };
    errno = 0;
    std::unique_ptr<toolkit::OutputStream> output = openOutput(name, toStdout);
    if (!output) return messages.fail(cantWrite());
    PlayResult result = writeWav(*output, frames, clock, options, song);
    if (!result.written) return messages.fail(cantWrite());

    messages.line(writtenLine(written, frames, options.rate, result.counts.notes));
    std::string notHeard = notHeardLine(result.counts.unheard, checked.bytesAfterEnd());
    if (!notHeard.empty()) messages.line(notHeard);
    return kSuccess;
}

}  // namespace

int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(play(argc, argv), kFailure, "songplay");
}
