// songmake: converts a Standard MIDI File and its side files into a song file.
#include <cstdio>
#include <string>

#include "toolkit/platform.h"
#include "toolkit/whole_file.h"
#include "songmake/conversion.h"

namespace {

enum ExitCode { kSuccess = 0, kUsageError = 1, kReaderError = 2, kWriteError = 3 };

// What the conversion said on the way, in the order it happened.
void printNote(const ConversionNote& note) {
    switch (note.kind) {
        case ConversionNote::Kind::pitchBeforeFirstNote:
            std::fputs("Warn: pitch before first note.\n", stdout);
            break;
        case ConversionNote::Kind::noEnvelopeFile:
        case ConversionNote::Kind::cantOpenWaveFile:
            std::printf("Can't open %s\n", note.name.c_str());
            break;
        case ConversionNote::Kind::shortWaveFile:
            std::printf("Warn: short wave file %s.\n", note.name.c_str());
            break;
    }
}

// Writes the song file whole, or leaves any earlier one as it was. A song file
// the other tools would refuse as too large is not written at all.
bool writeSongFile(const std::string& name, const ByteStream& song) {
    if (song.size() > songformat::kLargestSongFile) {
        std::printf(
            "Can't write %s: at %zu bytes it would be over 16 MiB, too big for a song "
            "file.\n",
            name.c_str(), song.size());
        return false;
    }
    std::string_view content(reinterpret_cast<const char*>(song.data()), song.size());
    if (!toolkit::replaceFile(name, content)) {
        std::printf("Can't write %s\n", name.c_str());
        return false;
    }
    std::size_t streamBytes = song.size() - songformat::kHeaderSize;
    if (streamBytes > songformat::kMaxAddressableStream)
        std::printf("Warn: song data is %zu bytes, over the 65536 a 16-bit offset reaches.\n",
                    streamBytes);
    std::printf("%s written.\n", name.c_str());
    return true;
}

int convert(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    if (argc < 2) {
        std::fputs(
            "Usage:\n songmake midi_file\n\nThis converter understands only notes, tempo and "
            "pitchbend.",
            stdout);
        return kUsageError;
    }
    std::string midiName = argv[1];
    if (midiName.size() < kMidiExtensionLength) {
        std::fputs("Expecting a .mid file\n", stdout);
        return kUsageError;
    }

    SongSources sources = sourcesForMidiFile(midiName);
    std::string songName = sources.base + ".sng";
    std::string input = toolkit::inputAtOutput(
        songName, {midiName, sources.base + ".env", waveFileName(sources.base, 0),
                   waveFileName(sources.base, 1)});
    if (!input.empty()) {
        std::printf("Can't write %s: it is the same file as %s\n", songName.c_str(), input.c_str());
        return kWriteError;
    }
    Conversion conversion = convertSong(sources);
    for (const ConversionNote& note : conversion.notes) printNote(note);
    switch (conversion.outcome) {
        case ConversionOutcome::readerError:
            std::printf("%s\n", conversion.readerError.c_str());
            return kReaderError;
        case ConversionOutcome::tooManyFillers:
            std::printf("Can't write %s.sng: its pauses would need over %zu filler records.\n",
                        sources.base.c_str(), kMaxFillers);
            return kWriteError;
        case ConversionOutcome::waveFileFailed:
            return kWriteError;
        case ConversionOutcome::converted:
            break;
    }
    return writeSongFile(songName, conversion.song) ? kSuccess : kWriteError;
}

}  // namespace

// A message that could not be written fails the run too; the exit code alone
// tells, as songmake's messages are fixed.
int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(convert(argc, argv), kWriteError, nullptr);
}
