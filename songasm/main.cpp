// songasm: turns a song file into AVR assembler source for the synthesizer firmware.
#include <cstdio>
#include <optional>
#include <string>

#include "songasm/assembly_source.h"
#include "songasm/song_contents.h"
#include "songformat/songformat.h"
#include "toolkit/platform.h"
#include "toolkit/whole_file.h"

namespace {

enum ExitCode { kSuccess = 0, kFailure = 1 };

// Every failure message ends in "\n" and is followed by one more newline.
int fail(const std::string& message) {
    std::printf("%s\n", message.c_str());
    return kFailure;
}

int assemble(int argc, char** argv) {
    platform::useBinaryStandardOutput();
    platform::failWritesPastSizeLimit();
    if (argc < 2) return fail("Usage:\n songasm sng_file\n");
    const std::string songFileName = argv[1];
    std::optional<std::string> outputName = assemblyFileName(songFileName);
    if (!outputName) return fail("Input file should end in .sng\n");

    if (std::string input = toolkit::inputAtOutput(*outputName, {songFileName}); !input.empty())
        return fail("Could not write " + *outputName + ": it is the same file as " + input + "\n");
    std::vector<std::uint8_t> bytes;
    switch (toolkit::readWholeFile(songFileName, songformat::kLargestSongFile, bytes)) {
        case toolkit::ReadResult::ok:
            break;
        case toolkit::ReadResult::tooLarge:
            return fail(songFileName + " is over 16 MiB, too big for a song file\n");
        default:
            return fail("Could not open sng file\n");
    }
    std::optional<SongContents> song = parseSongFile(bytes);
    if (!song) return fail(".sng file not valid\n");

    if (!toolkit::replaceFile(*outputName, assemblySource(*song)))
        return fail("Could not write " + *outputName + "\n");
    std::printf("%s written.\n", outputName->c_str());
    return kSuccess;
}

}  // namespace

// A message that could not be written fails the run too; the exit code alone
// tells, as songasm's messages are fixed.
int main(int argc, char** argv) {
    return toolkit::closeStandardOutput(assemble(argc, argv), kFailure, nullptr);
}
