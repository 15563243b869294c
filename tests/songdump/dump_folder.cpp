#include "tests/songdump/dump_folder.h"

#include "tests/support/song_file.h"

namespace testing_support {

void DumpFolder::writeSong(const Bytes& stream, const std::string& name) const {
    writeFile(folder / name, songFile(stream));
}

RunResult DumpFolder::convert(const Bytes& midi, const std::string& envelopes) const {
    writeFile(folder / "song.mid", midi);
    for (int digit = 0; digit < 2; ++digit) {
        Bytes samples;
        for (int i = 0; i < 64; ++i)
            samples = samples + Bytes{0, static_cast<std::uint8_t>(i * (digit + 1))};
        writeFile(folder / ("song-" + std::to_string(digit) + ".raw"), samples);
    }
    if (!envelopes.empty()) writeFile(folder / "song.env", envelopes);
    return runProgram(SONGMAKE_PATH, {"song.mid"}, folder.path());
}

RunResult DumpFolder::dump(const std::vector<std::string>& arguments) const {
    return runProgram(SONGDUMP_PATH, arguments, folder.path());
}

bool DumpFolder::haveXmlParser() { return std::string(XMLLINT_PATH) != ""; }

bool DumpFolder::wellFormedXml(const std::string& name) const {
    if (!haveXmlParser()) return false;
    return runProgram(XMLLINT_PATH, {"--noout", name}, folder.path()).exitCode == 0;
}

int occurrences(const std::string& text, const std::string& piece) {
    int count = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
        ++count;
    return count;
}

std::string lastLine(const std::string& output) {
    std::string text = output;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    std::size_t newline = text.rfind('\n');
    return newline == std::string::npos ? text : text.substr(newline + 1);
}

}  // namespace testing_support
