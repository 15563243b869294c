#include "tests/support/command_line_cases.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/system_features.h"

namespace testing_support {

void expectCommandLines(const SongFolder& folder, const std::string& program,
                        const std::vector<CommandLineCase>& cases) {
    for (const CommandLineCase& each : cases) {
        std::string shown;
        for (const std::string& argument : each.arguments) shown += " '" + argument + "'";
        SCOPED_TRACE(shown);
        RunResult result = folder.run(program, each.arguments);
        EXPECT_EQ(result.exitCode, each.exitCode);
        if (each.outputStart.empty())
            EXPECT_EQ(result.output, "");
        else
            EXPECT_TRUE(result.output.starts_with(each.outputStart)) << result.output;
        EXPECT_EQ(result.errors, each.errors);
    }
}

std::string usageError(const std::string& program, const std::string& problem) {
    return program + ": " + problem + "\nTry '" + program + " --help' for more information.\n";
}

std::vector<CommandLineCase> sharedCommandLineCases(const std::string& program,
                                                    const std::string& flag,
                                                    const std::string& valueOption) {
    std::string usage = "Usage:\n " + program + " ";
    std::vector<CommandLineCase> cases = {
        {{"--help"}, 0, usage, ""},
        {{"-h"}, 0, usage, ""},
        {{"--version"}, 0, program + " " SONGTOOLS_VERSION "\n", ""},
        {{"--bogus", "-h", "--version"}, 0, usage, ""},
        {{"--version", "--help"}, 0, program + " " SONGTOOLS_VERSION "\n", ""},
        {{"--bogus", "x.mid"}, 1, "", usageError(program, "unknown option --bogus")},
        {{"-x", "x.mid"}, 1, "", usageError(program, "unknown option -x")},
        {{"--bogus=1", "x.mid"}, 1, "", usageError(program, "unknown option --bogus=1")},
        {{"x.mid", valueOption}, 1, "", usageError(program, valueOption + " needs a value")},
    };
    if (!flag.empty())
        cases.push_back(
            {{flag + "=yes", "x.mid"}, 1, "", usageError(program, flag + " takes no value")});
    return cases;
}

bool makeUnreadable(const SongFolder& folder, const std::string& name) {
    if (!missingFeature(SystemFeature::unreadableFile).empty()) return false;
    folder.write(name, std::string("MThd"));
    std::filesystem::permissions(folder.folder / name, std::filesystem::perms::none);
    return true;
}

}  // namespace testing_support
