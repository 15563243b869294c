#include "bench/bench_song.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "midifile/midi_file_writer.h"

namespace bench {
namespace {

// xorshift64*: a fixed seed gives the same song on every machine.
class Random {
public:
    std::uint32_t below(std::uint32_t n) { return static_cast<std::uint32_t>(next() % n); }
    bool chance(std::uint32_t percent) { return below(100) < percent; }

private:
    std::uint64_t next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        return (state_ * 2685821657736338717ull) >> 32;
    }
    std::uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

constexpr int kDivision = 480;
constexpr std::uint32_t kTempoEvery = 8 * kDivision;
constexpr std::uint32_t kRest = 4000;  // long enough to need filler records

// One message of a track before encoding: a channel message, or a tempo change
// when status is 0xFF.
struct Message {
    std::uint32_t tick;
    std::uint8_t status;
    std::uint8_t data1;
    std::uint8_t data2;
    std::uint32_t tempo;
};

bool hasTwoDataBytes(std::uint8_t status) { return (status & 0xE0) != 0xC0; }

void appendU32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(value >> shift));
}

void appendMeta(Bytes& out, std::uint8_t type, const Bytes& data) {
    out.push_back(0xFF);
    out.push_back(type);
    midifile::appendVarLen(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
}

// An MTrk chunk: a name, then the messages in tick order (equal ticks keep the
// order they were made in), with running status wherever the status repeats.
Bytes encodeTrack(const std::string& name, std::vector<Message>& messages) {
    std::stable_sort(messages.begin(), messages.end(),
                     [](const Message& a, const Message& b) { return a.tick < b.tick; });
    Bytes body;
    body.push_back(0);
    appendMeta(body, 0x03, Bytes(name.begin(), name.end()));
    std::uint32_t previous = 0;
    std::uint8_t running = 0;
    for (const Message& message : messages) {
        midifile::appendVarLen(body, message.tick - previous);
        previous = message.tick;
        if (message.status == 0xFF) {
            auto t = message.tempo;
            appendMeta(body, 0x51, {std::uint8_t(t >> 16), std::uint8_t(t >> 8), std::uint8_t(t)});
            running = 0;  // written out again after a meta event, as most writers do
            continue;
        }
        if (message.status != running) body.push_back(message.status);
        running = message.status;
        body.push_back(message.data1);
        if (hasTwoDataBytes(message.status)) body.push_back(message.data2);
    }
    body.push_back(0);
    appendMeta(body, 0x2F, {});
    Bytes chunk = {'M', 'T', 'r', 'k'};
    appendU32(chunk, static_cast<std::uint32_t>(body.size()));
    chunk.insert(chunk.end(), body.begin(), body.end());
    return chunk;
}

// One voice of the song, written into `out` until it has made `budget` messages.
struct Voice {
    std::uint8_t channel;
    std::size_t budget;
    bool offAsZeroVelocity;  // note-off as note-on with velocity 0, the running-status habit
    std::uint8_t lowKey;
};

class VoicePlayer {
public:
    VoicePlayer(Random& random, const Voice& voice, std::vector<Message>& out)
        : random_(random), voice_(voice), out_(out) {}

    // Plays until the budget is spent; returns the tick after the last note.
    std::uint32_t play() {
        static constexpr std::uint32_t kSteps[] = {60, 120, 120, 240};
        std::uint8_t key = static_cast<std::uint8_t>(voice_.lowKey + 12);
        while (made_ + 4 <= voice_.budget) {
            if (sounding_ && random_.chance(20)) controller();  // none before the first note
            key = static_cast<std::uint8_t>(voice_.lowKey +
                                            (key - voice_.lowKey + 20 + random_.below(9)) % 24);
            note(key);
            tick_ += kSteps[random_.below(4)];
            if (random_.chance(1)) rest();
        }
        if (sounding_) noteOff(tick_);
        return tick_;
    }

    std::size_t made() const { return made_; }

private:
    void message(std::uint32_t tick, std::uint8_t kind, std::uint8_t data1, std::uint8_t data2) {
        out_.push_back({tick, static_cast<std::uint8_t>(kind | voice_.channel), data1, data2, 0});
        ++made_;
    }

    void controller() {
        static constexpr std::uint8_t kControllers[] = {1, 2, 3, 4, 10, 10, 7, 64};
        std::uint8_t value = static_cast<std::uint8_t>(random_.below(128));
        if (random_.chance(5))
            message(tick_, 0xE0, value, static_cast<std::uint8_t>(random_.below(128)));
        else if (random_.chance(3))
            message(tick_, 0xC0, value, 0);
        else
            message(tick_, 0xB0, kControllers[random_.below(8)], value);
    }

    void noteOff(std::uint32_t tick) {
        if (voice_.offAsZeroVelocity)
            message(tick, 0x90, soundingKey_, 0);
        else
            message(tick, 0x80, soundingKey_, 64);
        sounding_ = false;
    }

    // Legato (the next note starts before the last one ends), touching or
    // detached notes, in the mix real melodies have.
    void note(std::uint8_t key) {
        static constexpr std::uint8_t kVelocities[] = {100, 100, 80, 64};
        std::uint8_t velocity = kVelocities[random_.below(4)];
        std::uint32_t kind = random_.below(100);
        if (sounding_ && kind < 25 && key != soundingKey_) {
            std::uint8_t ending = soundingKey_;
            message(tick_, 0x90, key, velocity);
            message(tick_ + 5 * random_.below(3), voice_.offAsZeroVelocity ? 0x90 : 0x80, ending,
                    0);
        } else {
            if (sounding_)
                noteOff(std::max(lastOn_, tick_ - (kind < 85 ? 10 * random_.below(4) : 50)));
            message(tick_, 0x90, key, velocity);
        }
        sounding_ = true;
        soundingKey_ = key;
        lastOn_ = tick_;
    }

    void rest() {
        if (sounding_) noteOff(tick_);
        tick_ += kRest;
    }

    Random& random_;
    Voice voice_;
    std::vector<Message>& out_;
    std::size_t made_ = 0;
    std::uint32_t tick_ = 0;
    std::uint32_t lastOn_ = 0;
    std::uint8_t soundingKey_ = 0;
    bool sounding_ = false;
};

std::vector<Message> tempoMap(Random& random, std::uint32_t endTick) {
    static constexpr std::uint32_t kTempos[] = {500000, 600000, 400000, 461538, 545454};
    std::vector<Message> map;
    for (std::uint32_t tick = 0; tick < endTick; tick += kTempoEvery)
        map.push_back({tick, 0xFF, 0, 0, tick == 0 ? 500000 : kTempos[random.below(5)]});
    return map;
}

std::string envelopeText(Random& random, std::size_t lines, std::uint32_t endTick) {
    static constexpr const char* kKinds[] = {"Vol", "vib", "Filter"};
    static constexpr char kModes[] = {'A', 'D', 'H'};
    std::string text = "# time channel kind mode p0 p1 p2 p3\n";
    char line[96];
    for (std::size_t i = 0; i < lines; ++i) {
        std::snprintf(line, sizeof line, "%u %u %s %c %u %u %u %u\n", random.below(endTick),
                      random.below(4), kKinds[random.below(3)], kModes[random.below(3)],
                      random.below(256), random.below(256), random.below(256), random.below(256));
        text += line;
    }
    return text;
}

Bytes waveFile(int shape) {
    Bytes samples;
    for (int i = 0; i < 64; ++i) {
        int value = shape == 0 ? (i < 32 ? i * 2048 - 32768 : 32767 - (i - 32) * 2048)
                               : (i < 32 ? 24000 : -24000);
        samples.push_back(static_cast<std::uint8_t>(value & 0xFF));
        samples.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
    }
    return samples;
}

}  // namespace

BenchSong makeBenchSong(std::size_t channelEvents) {
    Random random;
    const Voice voices[] = {{0, channelEvents * 30 / 100, true, 60},
                            {1, channelEvents * 25 / 100, false, 36},
                            {2, channelEvents * 45 / 200, true, 55},
                            {3, channelEvents * 45 / 200, false, 67}};
    std::vector<Message> tracks[3];  // voices 2 and 3 share the last track
    BenchSong song;
    std::uint32_t endTick = 0;
    for (int i = 0; i < 4; ++i) {
        VoicePlayer player(random, voices[i], tracks[i < 2 ? i : 2]);
        endTick = std::max(endTick, player.play());
        song.channelEvents += player.made();
    }
    std::vector<Message> tempo = tempoMap(random, endTick);
    song.midi = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 4, kDivision >> 8, kDivision & 0xFF};
    for (auto [name, messages] : {std::pair{"Tempo", &tempo},
                                  {"Lead", &tracks[0]},
                                  {"Bass", &tracks[1]},
                                  {"Chords", &tracks[2]}}) {
        Bytes chunk = encodeTrack(name, *messages);
        song.midi.insert(song.midi.end(), chunk.begin(), chunk.end());
    }
    song.envelopes = envelopeText(random, channelEvents / 400, endTick);
    song.waves[0] = waveFile(0);
    song.waves[1] = waveFile(1);
    return song;
}

bool writeBytes(const std::string& name, const Bytes& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

bool writeWaveFiles(const std::string& base) {
    return writeBytes(base + "-0.raw", waveFile(0)) && writeBytes(base + "-1.raw", waveFile(1));
}

bool writeBenchSong(const BenchSong& song, const std::string& base) {
    return writeBytes(base + ".mid", song.midi) &&
           writeBytes(base + ".env", Bytes(song.envelopes.begin(), song.envelopes.end())) &&
           writeBytes(base + "-0.raw", song.waves[0]) && writeBytes(base + "-1.raw", song.waves[1]);
}

Bytes makeSongFile(std::size_t size) {
    Bytes song = {'s', 'n', 'g', '1'};
    Bytes table = waveFile(0);
    for (std::size_t i = 0; i < 128; ++i) song.push_back(table[i % 64 * 2 + 1]);
    Random random;
    while (song.size() < size) song.push_back(static_cast<std::uint8_t>(random.below(256)));
    return song;
}

}  // namespace bench
