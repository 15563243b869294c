// songplay's figure: seconds of audio rendered per second of CPU, on the
// bundled example and on the benchmark's songs once songmake has converted them.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct PlaySong {
    std::string name;  // for the table
    std::string songFile;
};

// Copies the bundled example from `demoFolder` into FOLDER/demo and converts it
// with songmake; the song file's name, or nothing when that failed.
std::string prepareDemo(const std::string& demoFolder, const std::string& folder,
                        const std::string& songmake);

// Times songplay on each song and prints the table and whether every song met
// the target of 500 seconds of audio per CPU second.
void printSongplay(const std::string& songplay, const std::vector<PlaySong>& songs,
                   const std::string& folder, int runs);

}  // namespace bench
