#include "toolkit/command_line.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/platform.h"

namespace toolkit {

bool parseOptionNumber(std::string_view text, double& value) {
    if (text.empty() || text.size() > 32) return false;
    for (char c : text)
        if ((c < '0' || c > '9') && c != '.') return false;  // no sign, exponent or "inf"
    std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return end == copy.c_str() + copy.size() && std::isfinite(value);
}

void printVersion(const char* program) { std::printf("%s %s\n", program, SONGTOOLS_VERSION); }

ArgumentReader::ArgumentReader(int argc, const char* const* argv) : count_(argc), words_(argv) {
    for (int i = 1; i < argc && asked_ == OptionsVerdict::run; ++i) {
        std::string_view word = argv[i];
        if (word == "--") break;
        if (word == "--help" || word == "-h") asked_ = OptionsVerdict::help;
        if (word == "--version") asked_ = OptionsVerdict::version;
    }
}

bool ArgumentReader::next() {
    if (asked_ != OptionsVerdict::run || !problem_.empty()) return false;
    if (hasGiven_ && !isName_) {
        // The tool matched nothing that takes the value, or it would have been used.
        fail(std::string(word_) + " takes no value");
        return false;
    }
    if (++at_ >= count_) return false;
    std::string_view word = words_[at_];
    hasGiven_ = false;
    isName_ = namesOnly_ || word == "-" || !word.starts_with('-');
    if (!namesOnly_ && word == "--") {
        namesOnly_ = true;
        return next();
    }
    word_ = word;
    std::size_t equals = word.find('=');
    if (!isName_ && word.starts_with("--") && equals != std::string_view::npos) {
        word_ = word.substr(0, equals);
        given_ = word.substr(equals + 1);
        hasGiven_ = true;
    }
    return true;
}

bool ArgumentReader::flag(std::string_view option) {
    if (isName_ || word_ != option) return false;
    if (hasGiven_) fail(std::string(option) + " takes no value");
    hasGiven_ = false;
    return true;
}

bool ArgumentReader::option(std::string_view option, std::string_view& value) {
    if (isName_ || word_ != option) return false;
    if (hasGiven_) {
        value = given_;
        hasGiven_ = false;
    } else if (at_ + 1 < count_) {
        value = words_[++at_];
    } else {
        fail(std::string(option) + " needs a value");
    }
    return true;
}

void ArgumentReader::fail(std::string problem) {
    if (problem_.empty()) problem_ = std::move(problem);
}

void ArgumentReader::failValue(std::string_view option, std::string_view value,
                               std::string_view needs) {
    fail(std::string(option) + ": '" + std::string(value) + "' is not " + std::string(needs));
}

void ArgumentReader::failUnknown() {
    hasGiven_ = false;
    fail("unknown option " + std::string(words_[at_]));
}

OptionsVerdict ArgumentReader::verdict() const {
    if (asked_ != OptionsVerdict::run) return asked_;
    return problem_.empty() ? OptionsVerdict::run : OptionsVerdict::usageError;
}

std::optional<int> answerOptions(const ArgumentReader& reader, const char* program,
                                 const char* usage) {
    switch (reader.verdict()) {
        case OptionsVerdict::help:
            std::fputs(usage, stdout);
            return 0;
        case OptionsVerdict::version:
            printVersion(program);
            return 0;
        case OptionsVerdict::usageError:
            return answerUsageError(program, reader.problem());
        case OptionsVerdict::run:
            break;
    }
    return std::nullopt;
}

int answerUsageError(const char* program, std::string_view problem) {
    tellError(program, problem);
    std::fprintf(stderr, "Try '%s --help' for more information.\n", program);
    return 1;
}

void tellError(const char* program, std::string_view text) {
    std::fflush(stdout);  // what was reported so far comes first where both go to one place
    std::fprintf(stderr, "%s: %.*s\n", program, static_cast<int>(text.size()), text.data());
}

std::string fileProblem(std::string_view what, const std::string& name, int error) {
    std::string problem = "can't " + std::string(what) + " " + name;
    return error == 0 ? problem : problem + ": " + std::strerror(error);
}

std::string unopenableReason(const std::string& name) {
    platform::FileKind kind = platform::fileFacts(name).kind;
    // A folder opens on some systems and not on others; it never reads.
    if (kind == platform::FileKind::folder) return fileProblem("read", name, EISDIR);
    // Opening a pipe waits for its writer: the reader decides on devices and pipes.
    if (kind == platform::FileKind::other) return "";
    errno = 0;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return fileProblem("open", name, errno != 0 ? errno : ENOENT);
    std::fclose(file);
    return "";
}

}  // namespace toolkit
