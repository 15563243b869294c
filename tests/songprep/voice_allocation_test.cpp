// The arranger's rules, note by note: which notes take the four voices, which
// note gives its voice up, and that no note starts later than written.
#include "songprep/voice_allocation.h"

#include <gtest/gtest.h>

#include <span>

#include "music/song_notes.h"
#include "songprep/drum_hits.h"
#include "tests/support/midi_writer.h"

namespace testing_support {
namespace {

using songprep::AllocationSettings;
using songprep::VoiceNote;

struct Arranged {
    music::SongNotes notes;
    songprep::Allocation allocation;
};

Arranged arrange(const MidiTrack& track, AllocationSettings settings = {}) {
    Bytes midi = midiFile(0, {track});
    midifile::InputSong song;
    std::string error;
    std::span<const std::uint8_t> bytes(midi);
    EXPECT_TRUE(midifile::readInputSong("in.mid", song, error, &bytes)) << error;
    Arranged out;
    out.notes = music::collectSongNotes(song, {});
    // Unless a test says otherwise, a millisecond a tick: 480 ticks per quarter
    // note at 120 beats per minute would be 1.04 ms; a whole tick keeps the
    // tests' numbers plain.
    if (!settings.ticksForMs)
        settings.ticksForMs = [](double ms, std::uint32_t) {
            return static_cast<std::uint32_t>(ms);
        };
    if (settings.shortestMs == 0) settings.shortestMs = 5;
    out.allocation = songprep::allocateVoices(out.notes, settings);
    return out;
}

// "KEY@START-END" for each voice's notes.
std::vector<std::string> voiceText(const Arranged& arranged, int voice) {
    std::vector<std::string> text;
    for (const VoiceNote& note : arranged.allocation.voices[voice])
        text.push_back(std::to_string(note.key) + "@" + std::to_string(note.start) + "-" +
                       std::to_string(note.end));
    return text;
}

// Every note a voice plays starts when one of the file's notes starts.
void expectNothingLate(const Arranged& arranged) {
    for (const auto& voice : arranged.allocation.voices)
        for (const VoiceNote& note : voice)
            EXPECT_EQ(note.start, arranged.notes.notes[note.note].start);
}

// Five notes held together on one channel: the highest and the lowest always
// play, and of the inner notes the longer ones.
TEST(VoiceAllocation, TheMelodyAndTheBassPlayFirstThenTheLongerNotes) {
    MidiTrack chord = MidiTrack()
                          .note(0, 0, 48, 80, 960)  // bass
                          .note(0, 0, 55, 80, 200)  // short inner note: left out
                          .note(0, 0, 60, 80, 960)
                          .note(0, 0, 64, 80, 900)
                          .note(0, 0, 72, 80, 960);  // melody
    Arranged arranged = arrange(chord);
    std::vector<std::string> played;
    for (int voice = 0; voice < 4; ++voice)
        for (const std::string& note : voiceText(arranged, voice)) played.push_back(note);
    std::sort(played.begin(), played.end());
    EXPECT_EQ(played, (std::vector<std::string>{"48@0-960", "60@0-960", "64@0-900", "72@0-960"}));
    EXPECT_EQ(arranged.allocation.counts.leftOut, 1u);
    EXPECT_EQ(arranged.allocation.counts.firstLeftOut[0].key, 55);
}

// A new melody note takes the voice of the sounding note worth least, which
// ends there; a new inner note takes nothing from the melody or the bass.
TEST(VoiceAllocation, AWorthierNoteTakesTheVoiceOfTheNoteWorthLeast) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 40, 80, 2000)    // bass
                          .note(0, 1, 52, 80, 2000)    // inner, long
                          .note(0, 1, 55, 80, 1000)    // inner, shorter: gives way
                          .note(0, 2, 70, 80, 480)     // melody
                          .note(480, 2, 72, 80, 480)   // melody: its own voice is free again
                          .note(600, 3, 84, 90, 300)   // a higher line: the melody now
                          .note(700, 1, 50, 80, 100);  // inner: no voice worth less
    Arranged arranged = arrange(track);
    expectNothingLate(arranged);
    std::vector<std::string> all;
    for (int voice = 0; voice < 4; ++voice)
        for (const std::string& note : voiceText(arranged, voice)) all.push_back(note);
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"40@0-2000", "52@0-2000", "55@0-600", "70@0-480",
                                             "72@480-960", "84@600-900"}));
    EXPECT_EQ(arranged.allocation.counts.cutShort, 1u);
    EXPECT_EQ(arranged.allocation.counts.leftOut, 1u);  // the 50 at 700
}

// A line goes on with the voice it played on; a key that already sounds takes
// that voice over instead of a second one; a note that has not sounded its
// shortest length keeps its voice.
TEST(VoiceAllocation, LinesKeepTheirVoicesAndDoubledKeysShareOne) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 60, 80, 100)
                          .note(0, 1, 48, 80, 400)
                          .note(100, 0, 62, 80, 100)
                          .note(200, 0, 64, 80, 100)
                          .note(250, 2, 64, 80, 300);  // the same key as channel 1's
    Arranged arranged = arrange(track);
    int melodyVoice = -1;
    for (int voice = 0; voice < 4; ++voice)
        if (!arranged.allocation.voices[voice].empty() &&
            arranged.allocation.voices[voice][0].key == 60)
            melodyVoice = voice;
    ASSERT_GE(melodyVoice, 0);
    EXPECT_EQ(voiceText(arranged, melodyVoice),
              (std::vector<std::string>{"60@0-100", "62@100-200", "64@200-250", "64@250-550"}));
    EXPECT_EQ(arranged.allocation.counts.struckAgain, 1u);

    // Three notes a tick apart on four voices: each takes a voice of its own,
    // as none has sounded its 5 ticks when the next comes.
    Arranged quick =
        arrange(MidiTrack().note(0, 0, 60, 80, 1).note(1, 0, 62, 80, 1).note(2, 0, 64, 80, 1));
    int used = 0;
    for (const auto& voice : quick.allocation.voices) used += voice.empty() ? 0 : 1;
    EXPECT_EQ(used, 3);
}

// A note keeps its voice for its shortest length, two player units, and no
// longer: from that tick on a worthier note may cut it. Here a tick is half a
// millisecond, so that the 5 ms are 10 ticks, not 5.
TEST(VoiceAllocation, ANoteMayBeCutFromTheTickItHasSoundedItsShortestLength) {
    AllocationSettings halfMs;
    halfMs.ticksForMs = [](double ms, std::uint32_t) { return static_cast<std::uint32_t>(ms * 2); };
    for (std::uint32_t after : {9u, 10u}) {
        SCOPED_TRACE(after);
        MidiTrack track = MidiTrack()
                              .note(0, 0, 36, 80, 2000)  // bass
                              .note(0, 0, 60, 80, 2000)
                              .note(0, 0, 96, 80, 2000)            // melody
                              .note(100, 1, 62, 80, 100)           // short: worth least
                              .note(100 + after, 2, 64, 80, 500);  // worth more than the 62
        Arranged arranged = arrange(track, halfMs);
        expectNothingLate(arranged);
        bool newPlays = false;
        for (const auto& voice : arranged.allocation.voices)
            for (const VoiceNote& note : voice) {
                // No note gives its voice up before it has sounded 10 ticks.
                if (note.end < arranged.notes.notes[note.note].end) {
                    EXPECT_GE(note.end - note.start, 10u) << note.key;
                }
                if (note.key == 64) newPlays = true;
            }
        if (after == 10) {
            EXPECT_TRUE(newPlays);
        }
    }
}

// Drums: only on a free voice by default, and never taking one from a pitched
// note; on a voice of their own, only there; a bass drum a low hit, a hi-hat a
// high one.
TEST(VoiceAllocation, DrumsTakeWhatIsFreeOrAVoiceOfTheirOwn) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 60, 80, 1000)
                          .note(0, 0, 64, 80, 1000)
                          .note(0, 0, 67, 80, 1000)
                          .note(0, 9, 36, 100, 10)
                          .note(0, 9, 42, 100, 10)  // no voice left for it
                          .note(100, 0, 72, 80, 500);
    Arranged shared = arrange(track);
    EXPECT_EQ(shared.allocation.counts.drumsPlayed, 1u);
    EXPECT_EQ(shared.allocation.counts.drumsLeftOut, 1u);
    EXPECT_EQ(shared.allocation.counts.played,
              4u);  // the 72 took the bass drum's voice after its hit
    // Of the two hits, the bass drum won.
    for (const auto& voice : shared.allocation.voices)
        for (const VoiceNote& note : voice)
            if (note.channel == 9) {
                EXPECT_EQ(note.key, songprep::drumHit(36).key);
            }

    AllocationSettings own;
    own.drums = songprep::DrumRule::ownVoice;
    own.drumVoice = 3;
    Arranged separate = arrange(MidiTrack(track).note(100, 9, 42, 100, 10), own);
    ASSERT_EQ(separate.allocation.voices[3].size(), 2u);
    EXPECT_LT(separate.allocation.voices[3][0].key, separate.allocation.voices[3][1].key);
    for (int voice = 0; voice < 3; ++voice)
        for (const VoiceNote& note : separate.allocation.voices[voice]) EXPECT_NE(note.channel, 9);

    AllocationSettings off;
    off.drums = songprep::DrumRule::off;
    EXPECT_EQ(arrange(track, off).allocation.counts.drumsPlayed, 0u);
}

// Every voice note, sorted, as "KEY@START-END".
std::vector<std::string> allNotes(const Arranged& arranged) {
    std::vector<std::string> all;
    for (int voice = 0; voice < 4; ++voice)
        for (const std::string& note : voiceText(arranged, voice)) all.push_back(note);
    std::sort(all.begin(), all.end());
    return all;
}

// A note that a more important one takes the voice from within its first 30
// ms (here 35 ticks, with two player units for the converter's rounding) is
// not started at all, and
// the note it had cut short plays on; from then on it is cut short.
TEST(VoiceAllocation, ANoteTakenFromBeforeItIsHeardIsLeftOutAndWhatItCutPlaysOn) {
    auto song = [](std::uint32_t taken) {
        return MidiTrack()
            .note(0, 0, 36, 80, 3000)             // bass
            .note(0, 3, 84, 80, 3000)             // melody
            .note(0, 1, 52, 80, 3000)             // a long inner note
            .note(0, 1, 50, 80, 400)              // a short one: gives way at 100
            .note(100, 2, 60, 80, 1900)           // takes the 50's voice
            .note(100 + taken, 2, 62, 80, 2500);  // worth more than the 60
    };
    Arranged early = arrange(song(34));
    EXPECT_EQ(allNotes(early), (std::vector<std::string>{"36@0-3000", "50@0-134", "52@0-3000",
                                                         "62@134-2634", "84@0-3000"}));
    EXPECT_EQ(early.allocation.counts.leftOutAhead, 1u);
    EXPECT_EQ(early.allocation.counts.firstLeftOutAhead[0].key, 60);
    EXPECT_EQ(early.allocation.counts.cutShort, 1u);  // the 50, at 134 rather than at 100

    Arranged heard = arrange(song(35));
    EXPECT_EQ(allNotes(heard),
              (std::vector<std::string>{"36@0-3000", "50@0-100", "52@0-3000", "60@100-135",
                                        "62@135-2635", "84@0-3000"}));
    EXPECT_EQ(heard.allocation.counts.leftOutAhead, 0u);
    EXPECT_EQ(heard.allocation.counts.cutShort, 2u);
}

// A key sounds on one voice: struck by a second channel it sounds on there,
// struck again where the new note lasts longer; at one tick, once.
TEST(VoiceAllocation, AKeyNeverSoundsOnTwoVoices) {
    Arranged shorter = arrange(MidiTrack().note(0, 1, 60, 80, 500).note(100, 2, 60, 80, 200));
    EXPECT_EQ(allNotes(shorter), (std::vector<std::string>{"60@0-500"}));
    EXPECT_EQ(shorter.allocation.counts.keySounding, 1u);

    Arranged longer = arrange(MidiTrack().note(0, 1, 60, 80, 500).note(100, 2, 60, 80, 700));
    EXPECT_EQ(allNotes(longer), (std::vector<std::string>{"60@0-100", "60@100-800"}));
    EXPECT_EQ(longer.allocation.counts.struckAgain, 1u);

    // Within its first 30 ms the sounding note is not struck again: the key
    // sounds on to the later end.
    Arranged soon = arrange(MidiTrack().note(0, 1, 60, 80, 500).note(20, 2, 60, 80, 700));
    EXPECT_EQ(allNotes(soon), (std::vector<std::string>{"60@0-720"}));

    Arranged together = arrange(
        MidiTrack().note(0, 1, 60, 80, 500).note(0, 2, 60, 80, 500).note(0, 3, 64, 80, 500));
    EXPECT_EQ(allNotes(together), (std::vector<std::string>{"60@0-500", "64@0-500"}));
}

// The melody and the bass of the moment never give way to another note,
// however long; a drum hit gives way to them even before it is heard.
TEST(VoiceAllocation, TheMelodyAndTheBassBeforeLongPadsAndDrums) {
    MidiTrack pads = MidiTrack()
                         .note(0, 0, 36, 80, 3000)  // bass
                         .note(0, 1, 50, 80, 3000)
                         .note(0, 1, 53, 80, 3000)
                         .note(0, 1, 57, 80, 3000)
                         .note(500, 2, 72, 80, 40);  // a short melody note
    Arranged arranged = arrange(pads);
    EXPECT_EQ(arranged.allocation.counts.leftOut, 0u);
    EXPECT_EQ(arranged.allocation.counts.cutShort, 1u);
    EXPECT_NE(std::find(allNotes(arranged).begin(), allNotes(arranged).end(), "72@500-540"),
              allNotes(arranged).end());

    MidiTrack drums = MidiTrack()
                          .note(0, 0, 36, 80, 1000)
                          .note(0, 1, 50, 80, 1000)
                          .note(0, 1, 53, 80, 1000)
                          .note(0, 9, 42, 100, 10)   // the last free voice
                          .note(3, 2, 72, 80, 300);  // the melody, 3 ticks later
    Arranged hit = arrange(drums);
    EXPECT_EQ(hit.allocation.counts.drumsPlayed, 0u);
    EXPECT_EQ(hit.allocation.counts.drumsLeftOut, 1u);
    EXPECT_EQ(hit.allocation.counts.played, 4u);
}

// An arpeggio takes turns among inner notes only: the melody's and the bass's
// voices play their notes whole.
TEST(VoiceAllocation, AnArpeggioLeavesTheMelodyAndTheBassAlone) {
    MidiTrack track = MidiTrack()
                          .note(0, 0, 36, 80, 1000)  // bass
                          .note(0, 3, 84, 80, 1000)  // melody
                          .note(0, 1, 60, 80, 1000)
                          .note(0, 1, 64, 80, 1000)
                          .note(100, 2, 67, 80, 300);  // left out, then in turn
    AllocationSettings settings;
    settings.arpeggioMs = 50;
    Arranged arranged = arrange(track, settings);
    EXPECT_EQ(arranged.allocation.counts.arpeggiated, 1u);
    int turns = 0;
    for (int voice = 0; voice < 4; ++voice) {
        std::vector<std::string> notes = voiceText(arranged, voice);
        if (notes.front().rfind("36@", 0) == 0 || notes.front().rfind("84@", 0) == 0) {
            EXPECT_EQ(notes.size(), 1u) << notes.front();
        }
        for (const std::string& note : notes) turns += note.rfind("67@", 0) == 0 ? 1 : 0;
    }
    EXPECT_EQ(turns, 3);  // 100-150, 200-250, 300-350 in turn with its host
}

// Every turn of an arpeggio is heard (35 ticks here: 30 ms and two units of
// 2.5 ms): the host before its first guest, a rest too short for a turn goes
// to the turn before it, and a note that would start too near its host's end
// for that stays left out.
TEST(VoiceAllocation, EveryTurnOfAnArpeggioIsHeard) {
    AllocationSettings settings;
    settings.arpeggioMs = 50;
    MidiTrack track = MidiTrack()
                          .note(0, 0, 36, 80, 3000)    // bass
                          .note(0, 3, 84, 80, 3000)    // melody
                          .note(0, 1, 60, 80, 2000)
                          .note(0, 1, 64, 80, 1900)    // the host, worth least
                          .note(10, 2, 67, 80, 1490)   // in turn with 64
                          .note(1000, 1, 65, 80, 2000);  // cuts 64 at 1000
    Arranged arranged = arrange(track, settings);
    EXPECT_EQ(arranged.allocation.counts.arpeggiated, 1u);
    for (int voice = 0; voice < 4; ++voice) {
        std::vector<std::string> notes = voiceText(arranged, voice);
        if (notes.front().rfind("64@", 0) != 0) continue;
        ASSERT_GE(notes.size(), 4u);
        EXPECT_EQ(notes[0], "64@0-35");
        EXPECT_EQ(notes[1], "67@35-85");
        // Not 67@935-985 and 64@985-1000.
        EXPECT_EQ(notes[notes.size() - 2], "67@935-1000");
    }
    for (const auto& voice : arranged.allocation.voices)
        for (const VoiceNote& note : voice)
            EXPECT_GE(note.end - note.start, 35u) << int{note.key} << "@" << note.start;

    // 30 ticks before every inner note ends: no turn would be heard.
    MidiTrack late = MidiTrack()
                         .note(0, 0, 36, 80, 1000)
                         .note(0, 3, 84, 80, 1000)
                         .note(0, 1, 60, 80, 1000)
                         .note(0, 1, 64, 80, 1000)
                         .note(970, 2, 72, 40, 8);
    Arranged tooLate = arrange(late, settings);
    EXPECT_EQ(tooLate.allocation.counts.leftOut, 1u);
    EXPECT_EQ(tooLate.allocation.counts.arpeggiated, 0u);
}

}  // namespace
}  // namespace testing_support
