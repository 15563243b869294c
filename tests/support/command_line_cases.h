// The command-line conventions the four newer tools share, as a table a test
// runs one tool through: what each command line prints on standard output, what
// on standard error, and the exit code.
#pragma once

#include <string>
#include <vector>

#include "tests/support/song_folder.h"

namespace testing_support {

struct CommandLineCase {
    std::vector<std::string> arguments;
    int exitCode = 0;
    std::string outputStart;  // standard output starts with this; "" means it is empty
    std::string errors;       // standard error, exactly
};

// Runs `program` in `folder` with each case's arguments and checks all three.
void expectCommandLines(const SongFolder& folder, const std::string& program,
                        const std::vector<CommandLineCase>& cases);

// The two lines of a usage error.
std::string usageError(const std::string& program, const std::string& problem);

// The cases every tool answers alike: help, -h, the version, help winning over
// a bad option, an unknown option, a flag given a value and an option without
// its value. `flag` and `valueOption` are two of the tool's options; a tool
// without flags gives "".
std::vector<CommandLineCase> sharedCommandLineCases(const std::string& program,
                                                    const std::string& flag,
                                                    const std::string& valueOption);

// Makes `name` in `folder` a file this user cannot read; false where the
// system cannot (root, or no permission bits), and the case is then left out.
bool makeUnreadable(const SongFolder& folder, const std::string& name);

}  // namespace testing_support
