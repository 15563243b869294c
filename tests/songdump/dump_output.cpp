#include "tests/songdump/dump_output.h"

namespace testing_support {

RunResult songdump(const SongFolder& song, const std::vector<std::string>& arguments) {
    return song.run(SONGDUMP_PATH, arguments);
}

bool haveXmlParser() { return std::string(XMLLINT_PATH) != ""; }

bool wellFormedXml(const SongFolder& song, const std::string& name) {
    return haveXmlParser() && song.run(XMLLINT_PATH, {"--noout", name}).exitCode == 0;
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
