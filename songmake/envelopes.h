// Envelope definitions: hand-written text lines that become envelope events.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "songmake/events.h"

// The fields of one envelope line as read, before they are cut to the bits
// that are stored. Numbers are read as scanf's "%ld" reads them on a 64-bit
// system (sign, digits, saturating at the 64-bit limits), on every platform.
struct EnvelopeFields {
    static constexpr int kFieldCount = 8;

    int fieldsRead = 0;       // fields that converted, in order; 8 for a whole line
    bool ranOut = false;      // the line ended before field fieldsRead + 1
    bool kindRunsOn = false;  // the kind word was longer than 8 characters
    bool modeRunsOn = false;  // the mode was followed by more than its one character
    std::int64_t time = 0;
    std::int64_t channel = 0;
    char kind[9] = {};
    char mode = 0;
    std::int64_t params[4] = {};
};

// Reads the eight fields "time voice kind mode p0 p1 p2 p3", as the format
// "%d %d %8s %1s %d %d %d %d" would. Returns false for a comment or an empty
// line, which hold no fields at all.
bool readEnvelopeFields(std::string_view line, EnvelopeFields& fields);

// The event a line of eight fields gives: time and parameters keep their low
// 32 and 8 bits, the voice its low 8 bits.
std::unique_ptr<EvEnvelope> envelopeFromFields(const EnvelopeFields& fields);

// One line of an envelope file, as read; nothing for a comment, an empty line or
// a line whose eight fields do not all convert.
std::unique_ptr<EvEnvelope> parseEnvelopeLine(std::string_view line);

// A piece of an envelope file as the reader takes it: a line, or part of one
// longer than kEnvelopePiece characters, whose later pieces are read as lines
// of their own.
struct EnvelopePiece {
    std::string_view text;   // with its newline, where it has one
    std::size_t lineNumber;  // of the line in the file, counting from 1
    bool continued;          // a later piece of an overlong line
};
inline constexpr std::size_t kEnvelopePiece = 254;

// Calls `visit` for every piece of the file `name`, in file order. Returns false,
// visiting nothing, when the file cannot be read; only a regular file is read.
bool readEnvelopePieces(const std::string& name,
                        const std::function<void(const EnvelopePiece&)>& visit);

// The same over envelope text already in memory.
void visitEnvelopePieces(std::string_view text,
                         const std::function<void(const EnvelopePiece&)>& visit);

// Reads BASE.env and appends one envelope event per valid line, in file order.
// Returns false, adding nothing, when there is no such file to read.
bool readEnvelopes(const std::string& base, EventList& list);

// The same over envelope text already in memory.
void readEnvelopeText(std::string_view text, EventList& list);
