#include "songmake/envelopes.h"

#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

#include "toolkit/platform.h"

namespace {

std::uint8_t modeCode(char letter) {
    switch (letter) {
        case 'A':
            return songformat::kModeA;
        case 'D':
            return songformat::kModeD;
        case 'H':
            return songformat::kModeH;
        default:
            return static_cast<std::uint8_t>(letter);  // unknown modes keep their letter
    }
}

// White space as scanf skips it in the C locale.
bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// A read position over one line that scanf's directives move along.
class LineScanner {
public:
    explicit LineScanner(std::string_view line) : line_(line) {}

    void skipSpace() {
        while (pos_ < line_.size() && isSpace(line_[pos_])) ++pos_;
    }
    bool atEnd() const { return pos_ == line_.size(); }
    bool atSpaceOrEnd() const { return atEnd() || isSpace(line_[pos_]); }

    // "%ld": an optional sign and decimal digits. Values past the 64-bit range
    // saturate, as strtol does.
    bool readNumber(std::int64_t& value) {
        skipSpace();
        std::size_t at = pos_;
        bool negative = false;
        if (at < line_.size() && (line_[at] == '+' || line_[at] == '-'))
            negative = line_[at++] == '-';
        if (at == line_.size() || !isDigit(line_[at])) return false;
        // Accumulated as a negative number, whose range reaches one further.
        constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();
        std::int64_t magnitude = 0;
        bool overflow = false;
        for (; at < line_.size() && isDigit(line_[at]); ++at) {
            int digit = line_[at] - '0';
            if (magnitude < (kLowest + digit) / 10) overflow = true;
            if (!overflow) magnitude = magnitude * 10 - digit;
        }
        pos_ = at;
        if (negative)
            value = overflow ? kLowest : magnitude;
        else
            value = overflow || magnitude == kLowest ? std::numeric_limits<std::int64_t>::max()
                                                     : -magnitude;
        return true;
    }

    // "%Ns": up to `width` characters other than white space.
    bool readWord(char* out, std::size_t width) {
        skipSpace();
        std::size_t count = 0;
        while (count < width && !atSpaceOrEnd()) out[count++] = line_[pos_++];
        out[count] = '\0';
        return count > 0;
    }

private:
    std::string_view line_;
    std::size_t pos_ = 0;
};

}  // namespace

namespace {

// Reads the fields in order and stops at the first that does not convert.
void scanFields(LineScanner& scanner, EnvelopeFields& fields) {
    if (!scanner.readNumber(fields.time)) return;
    fields.fieldsRead = 1;
    if (!scanner.readNumber(fields.channel)) return;
    fields.fieldsRead = 2;
    if (!scanner.readWord(fields.kind, 8)) return;
    fields.fieldsRead = 3;
    fields.kindRunsOn = !scanner.atSpaceOrEnd();
    char mode[2];
    if (!scanner.readWord(mode, 1)) return;
    fields.mode = mode[0];
    fields.fieldsRead = 4;
    fields.modeRunsOn = !scanner.atSpaceOrEnd();
    for (std::int64_t& param : fields.params) {
        if (!scanner.readNumber(param)) return;
        ++fields.fieldsRead;
    }
}

}  // namespace

bool readEnvelopeFields(std::string_view line, EnvelopeFields& fields) {
    line = line.substr(0, line.find('\0'));  // the line is read as a C string
    fields = EnvelopeFields{};
    if (line.empty() || line[0] == '#' || line[0] == '\n') return false;
    LineScanner scanner(line);
    scanFields(scanner, fields);
    if (fields.fieldsRead < EnvelopeFields::kFieldCount) {
        scanner.skipSpace();
        fields.ranOut = scanner.atEnd();
    }
    return true;
}

std::unique_ptr<EvEnvelope> envelopeFromFields(const EnvelopeFields& fields) {
    std::int32_t type =
        (fields.kind[0] == 'V' || fields.kind[0] == 'v') ? kTypeEnvelopeVolume : kTypeEnvelopeOther;
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(fields.params[i]);
    return std::make_unique<EvEnvelope>(type, static_cast<std::uint32_t>(fields.time),
                                        static_cast<std::uint8_t>(fields.channel),
                                        modeCode(fields.mode), bytes);
}

std::unique_ptr<EvEnvelope> parseEnvelopeLine(std::string_view line) {
    EnvelopeFields fields;
    if (!readEnvelopeFields(line, fields) || fields.fieldsRead < EnvelopeFields::kFieldCount)
        return nullptr;
    return envelopeFromFields(fields);
}

namespace {

// Splits text into pieces as a line reader with a 255-byte buffer takes them:
// through a newline, or kEnvelopePiece characters when the line is longer.
class PieceSplitter {
public:
    explicit PieceSplitter(std::function<void(const EnvelopePiece&)> visit)
        : visit_(std::move(visit)) {}

    // Visits every whole piece at the start of `text`; returns the length used.
    // At the end of the input, `final` sends what is left as a piece of its own.
    std::size_t split(std::string_view text, bool final) {
        std::size_t used = 0;
        while (used < text.size()) {
            std::string_view rest = text.substr(used);
            std::size_t newline = rest.substr(0, kEnvelopePiece).find('\n');
            std::size_t length = newline != std::string_view::npos ? newline + 1
                                 : rest.size() >= kEnvelopePiece   ? kEnvelopePiece
                                 : final                           ? rest.size()
                                                                   : 0;
            if (length == 0) break;
            std::string_view piece = rest.substr(0, length);
            visit_({piece, lineNumber_, continued_});
            continued_ = piece.back() != '\n';
            if (!continued_) ++lineNumber_;
            used += length;
        }
        return used;
    }

private:
    std::function<void(const EnvelopePiece&)> visit_;
    std::size_t lineNumber_ = 1;
    bool continued_ = false;
};

}  // namespace

bool readEnvelopePieces(const std::string& name,
                        const std::function<void(const EnvelopePiece&)>& visit) {
    // A folder holds no lines, and a device such as /dev/zero holds lines
    // without end: only a regular file is read.
    if (platform::fileFacts(name).kind != platform::FileKind::regular) return false;
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (file == nullptr) return false;
    PieceSplitter splitter(visit);
    std::vector<char> buffer(64 * 1024);
    std::size_t held = 0;
    while (true) {
        std::size_t got = std::fread(buffer.data() + held, 1, buffer.size() - held, file);
        held += got;
        bool final = got == 0;
        std::size_t used = splitter.split(std::string_view(buffer.data(), held), final);
        std::memmove(buffer.data(), buffer.data() + used, held - used);
        held -= used;
        if (final) break;
    }
    std::fclose(file);
    return true;
}

bool readEnvelopes(const std::string& base, EventList& list) {
    return readEnvelopePieces(base + ".env", [&](const EnvelopePiece& piece) {
        if (auto envelope = parseEnvelopeLine(piece.text)) list.push_back(std::move(envelope));
    });
}

void visitEnvelopePieces(std::string_view text,
                         const std::function<void(const EnvelopePiece&)>& visit) {
    PieceSplitter(visit).split(text, true);
}

void readEnvelopeText(std::string_view text, EventList& list) {
    visitEnvelopePieces(text, [&](const EnvelopePiece& piece) {
        if (auto envelope = parseEnvelopeLine(piece.text)) list.push_back(std::move(envelope));
    });
}
