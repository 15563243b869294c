// What songprep tells its user: where each voice comes from, and everything it
// changed or left out on the way.
#pragma once

#include <string>

#include "midifile/input_song.h"
#include "songprep/options.h"
#include "songprep/preparation.h"

namespace songprep {

std::string reportText(const std::string& inName, const midifile::InputSong& song,
                       const Preparation& preparation, const PrepOptions& options);

}  // namespace songprep
