#include "songcheck/side_file_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "toolkit/platform.h"
#include "toolkit/text_format.h"
#include "songmake/envelopes.h"
#include "songmake/songfile.h"

namespace songcheck {
namespace {

using toolkit::format;

constexpr std::size_t kSampleBytes = 2;
constexpr std::size_t kTableSamples = songformat::kTableSize;
// High bytes that span no more than this many of their 256 steps are heard as
// next to nothing.
constexpr int kNearlySilentSpan = 8;

// What a file that is not raw samples starts with, and what it then is.
const char* headerKind(const std::uint8_t* start, std::size_t size) {
    auto startsWith = [&](const char* tag) {
        return size >= std::strlen(tag) && std::memcmp(start, tag, std::strlen(tag)) == 0;
    };
    if (startsWith("RIFF")) return "a WAV (RIFF) file";
    if (startsWith("FORM")) return "an AIFF file";
    if (startsWith("OggS")) return "an Ogg file";
    if (startsWith("fLaC")) return "a FLAC file";
    if (startsWith("ID3") || (size >= 2 && start[0] == 0xFF && (start[1] & 0xE0) == 0xE0))
        return "an MP3 file";
    return nullptr;
}

void judgeWaveFile(const std::string& name, WaveRead read, const songformat::WaveTable& table,
                   Findings& findings) {
    if (read == WaveRead::cantOpen || read == WaveRead::cantClose) {
        findings.add(true, "wave file " + name + " cannot be read: songmake stops there");
        return;
    }
    std::error_code error;
    std::uintmax_t bytes = std::filesystem::file_size(name, error);
    std::size_t samples = error ? 0 : static_cast<std::size_t>(bytes / kSampleBytes);
    if (read == WaveRead::shortFile)
        findings.add(true, "wave file " + name + " holds " + std::to_string(samples) +
                               " samples of 64: the rest of its table is silent (0)");
    else if (samples > kTableSamples)
        findings.add(true, "wave file " + name + " holds " + std::to_string(samples) +
                               " samples: only the first 64 are used");
    std::uint8_t start[4] = {};
    std::size_t got = 0;
    platform::FileKind kind = platform::FileKind::missing;
    if (std::FILE* file = platform::openForReading(name, kind)) {
        got = std::fread(start, 1, sizeof start, file);
        std::fclose(file);
    }
    if (const char* kind = headerKind(start, got))
        findings.add(true, "wave file " + name + " is " + kind +
                               ", not raw samples: its header is read as samples");
    auto [low, high] = std::minmax_element(table.begin(), table.end(), [](auto a, auto b) {
        return static_cast<std::int8_t>(a) < static_cast<std::int8_t>(b);
    });
    int span = static_cast<std::int8_t>(*high) - static_cast<std::int8_t>(*low);
    if (span <= kNearlySilentSpan)
        findings.add(true, "wave file " + name +
                               " is nearly silent once only the high bytes of its samples are "
                               "kept: they span " +
                               std::to_string(span) + " of 256 steps");
}

std::string stoppedBecause(const EnvelopeFields& fields) {
    static const char* const kFieldNames[EnvelopeFields::kFieldCount] = {
        "time", "voice", "kind", "mode", "p0", "p1", "p2", "p3"};
    if (fields.ranOut) return "fewer than eight fields";
    if (fields.kindRunsOn) return "the kind word is longer than 8 characters";
    if (fields.fieldsRead == 4 && fields.modeRunsOn) return "the mode is not one character";
    return std::string("the ") + kFieldNames[fields.fieldsRead] + " field is not a number";
}

struct EnvelopeFindings {
    Finding skipped = finding("envelope lines skipped");
    Finding longLines =
        finding("envelope lines longer than 254 characters: the rest is read as further lines");
    Finding voices = finding(
        "envelope lines for a voice outside 0 to 3: the code byte keeps only its low 4 bits");
    Finding params =
        finding("envelope parameters outside 0 to 255: only their low 8 bits are kept");
    Finding late = finding(
        "envelope lines timed after the song's last note: the song grows by fillers to reach "
        "them");
};

void judgeEnvelope(const EnvelopeFields& fields, std::size_t line, const TracedEvent* event,
                   std::uint32_t lastNoteTick, std::uint64_t lastNoteUnit,
                   EnvelopeFindings& found) {
    auto tick = static_cast<std::uint32_t>(fields.time);
    if (fields.channel < 0 || fields.channel > 3) {
        int stored = static_cast<std::uint8_t>(fields.channel) & 0x0F;
        addPlace(found.voices,
                 timedLinePlace(
                     line, tick,
                     format("voice %lld is stored as %s %d", static_cast<long long>(fields.channel),
                            stored < kVoiceCount ? "voice" : "the unplayed voice", stored)));
    }
    for (int i = 0; i < 4; ++i)
        if (fields.params[i] < 0 || fields.params[i] > 255)
            addPlace(found.params,
                     timedLinePlace(line, tick,
                                    format("p%d %lld is stored as %u", i,
                                           static_cast<long long>(fields.params[i]),
                                           static_cast<std::uint8_t>(fields.params[i]))));
    if (tick > lastNoteTick) {
        std::string detail = format("tick %u", tick);
        if (event != nullptr && event->placed && event->unit > lastNoteUnit)
            detail += format(", %llu %s late",
                             static_cast<unsigned long long>(event->unit - lastNoteUnit),
                             event->unit - lastNoteUnit == 1 ? "player unit" : "player units");
        addPlace(found.late, timedLinePlace(line, tick, detail));
    }
}

}  // namespace

std::array<songformat::WaveTable, 2> checkWaveFiles(const std::string& base, Findings& findings) {
    std::array<songformat::WaveTable, 2> tables{};
    for (int i = 0; i < 2; ++i) {
        std::string name = waveFileName(base, i);
        WaveRead read = readWaveTable(name, tables[i]);
        if (read == WaveRead::cantOpen) tables[i].fill(0);
        judgeWaveFile(name, read, tables[i], findings);
    }
    return tables;
}

void checkEnvelopeFile(const SongSources& sources, const ConversionTrace& trace,
                       std::uint32_t lastNoteTick, Findings& findings) {
    std::uint64_t lastNoteUnit = 0;
    for (int voice = 0; voice < kVoiceCount; ++voice)
        for (const TracedEvent& event : trace.groups()[voice])
            if (event.placed &&
                (event.capturedType == kTypeNoteOn || event.capturedType == kTypeNoteOff))
                lastNoteUnit = std::max(lastNoteUnit, event.unit);
    EnvelopeFindings found;
    std::size_t made = 0;
    bool inComment = false, longLineSeen = false;
    auto judgePiece = [&](const EnvelopePiece& piece) {
        if (!piece.continued) {
            inComment = piece.text.starts_with("#");
            longLineSeen = false;
        }
        EnvelopeFields fields;
        bool hasFields = readEnvelopeFields(piece.text, fields);
        bool whole = hasFields && fields.fieldsRead == EnvelopeFields::kFieldCount;
        if (inComment && !whole)
            return;  // a comment, or the rest of a long one, that makes nothing
        bool cut = piece.text.size() == kEnvelopePiece && piece.text.back() != '\n';
        if ((cut || piece.continued) && !longLineSeen) {
            addPlace(found.longLines, linePlace(piece.lineNumber));
            longLineSeen = true;
        }
        if (!whole) {
            std::string reason = stoppedBecause(fields);
            if (piece.continued) reason = "the rest of the line: " + reason;
            addPlace(found.skipped, linePlace(piece.lineNumber, reason));
            return;
        }
        const auto& events = trace.envelopes();
        const TracedEvent* event = made < events.size() ? &events[made] : nullptr;
        ++made;
        judgeEnvelope(fields, piece.lineNumber, event, lastNoteTick, lastNoteUnit, found);
    };
    if (sources.envelopeText) {
        visitEnvelopePieces(*sources.envelopeText, judgePiece);
    } else if (!readEnvelopePieces(sources.base + ".env", judgePiece)) {
        findings.add(false, "no envelope file " + sources.base + ".env: the song has no envelopes");
        return;
    }
    for (Finding* finding :
         {&found.skipped, &found.longLines, &found.voices, &found.params, &found.late})
        findings.keep(std::move(*finding));
}

}  // namespace songcheck
