#include "tests/avr/avr_toolchain.h"

#include <cstdlib>
#include <sstream>

namespace testing_support {

namespace {

namespace fs = std::filesystem;

bool onPath(const std::string& program) {
    constexpr fs::perms kRunnable =
        fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec;
    const char* path = std::getenv("PATH");
    std::stringstream folders(path != nullptr ? path : "");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        fs::path candidate = fs::path(folder.empty() ? "." : folder) / program;
        std::error_code error;
        fs::file_status status = fs::status(candidate, error);
        if (fs::is_regular_file(status) && (status.permissions() & kRunnable) != fs::perms::none)
            return true;
    }
    return false;
}

std::string shellQuoted(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    quoted += '\'';
    return quoted;
}

// simavr colours each line of serial output with terminal escape sequences.
std::string withoutEscapeSequences(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\x1b') {
            plain += text[i];
            continue;
        }
        while (i < text.size() && text[i] != 'm') ++i;
    }
    return plain;
}

std::vector<std::string> words(const std::string& line) {
    std::stringstream stream(line);
    std::vector<std::string> result;
    std::string word;
    while (stream >> word) result.push_back(word);
    // simavr shows the newline that ended the line as a '.'.
    if (!result.empty() && result.back().ends_with('.')) result.back().pop_back();
    return result;
}

bool parseHex(const std::string& text, std::size_t digits, unsigned long& value) {
    if (text.size() != digits) return false;
    char* end = nullptr;
    value = std::strtoul(text.c_str(), &end, 16);
    return *end == '\0';
}

// Appends the values of a "b" or "w" line, which must start where the last one ended.
template <typename Value>
void readStreamLine(const std::vector<std::string>& items, std::size_t digits,
                    std::vector<Value>& values, std::vector<std::string>& problems) {
    unsigned long offset = 0;
    if (items.size() < 2 || !parseHex(items[1], 4, offset) || offset != values.size()) {
        problems.push_back("line out of order: " + items[0] +
                           (items.size() > 1 ? " " + items[1] : ""));
        return;
    }
    for (std::size_t i = 2; i < items.size(); ++i) {
        unsigned long value = 0;
        if (!parseHex(items[i], digits, value)) problems.push_back("not a value: " + items[i]);
        values.push_back(static_cast<Value>(value));
    }
}

void readTableLine(const std::vector<std::string>& items, Bytes& table,
                   std::vector<std::string>& problems) {
    for (std::size_t i = 1; i < items.size(); ++i) {
        unsigned long value = 0;
        if (!parseHex(items[i], 2, value)) problems.push_back("not a value: " + items[i]);
        table.push_back(static_cast<std::uint8_t>(value));
    }
}

}  // namespace

std::vector<std::string> missingPrograms(const std::vector<std::string>& programs) {
    std::vector<std::string> missing;
    for (const std::string& program : programs)
        if (!onPath(program)) missing.push_back(program);
    return missing;
}

RunResult runCommand(const std::vector<std::string>& command, const std::filesystem::path& folder,
                     int timeoutSeconds) {
    std::string line = "exec timeout -k 5 " + std::to_string(timeoutSeconds);
    for (const std::string& word : command) {
        line += ' ';
        line += shellQuoted(word);
    }
    line += " 2>&1";
    return runProgram("/bin/sh", {"-c", line}, folder);
}

FirmwareReadback parseReadback(const std::string& simulatorOutput) {
    FirmwareReadback readback;
    std::stringstream lines(withoutEscapeSequences(simulatorOutput));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> items = words(line);
        if (items.empty()) continue;
        const std::string& tag = items[0];
        if (tag == "b") readStreamLine(items, 2, readback.streamBytes, readback.problems);
        if (tag == "w") readStreamLine(items, 4, readback.streamWords, readback.problems);
        if (tag == "1") readTableLine(items, readback.waveTable1, readback.problems);
        if (tag == "2") readTableLine(items, readback.waveTable2, readback.problems);
        if (tag == "e") readback.finished = true;
    }
    return readback;
}

}  // namespace testing_support
