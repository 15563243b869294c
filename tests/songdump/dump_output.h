// Shared pieces of the songdump tests: running songdump in a song folder and
// reading what it wrote.
#pragma once

#include <string>
#include <vector>

#include "tests/support/song_folder.h"

namespace testing_support {

RunResult songdump(const SongFolder& song, const std::vector<std::string>& arguments);

// Whether xmllint takes the file as well-formed XML; false without xmllint.
bool wellFormedXml(const SongFolder& song, const std::string& name);
bool haveXmlParser();

// How often `piece` occurs in `text`.
int occurrences(const std::string& text, const std::string& piece);

// The last line of a program's output, without its newline.
std::string lastLine(const std::string& output);

}  // namespace testing_support
