#include "songprep/voice_events.h"

namespace songprep {

LeftOutCounts& LeftOutCounts::operator+=(const LeftOutCounts& other) {
    programChanges += other.programChanges;
    channelPressure += other.channelPressure;
    keyPressure += other.keyPressure;
    pitchWheel += other.pitchWheel;
    controller1 += other.controller1;
    pitchWithoutNote += other.pitchWithoutNote;
    strayNoteOffs += other.strayNoteOffs;
    damaged += other.damaged;
    for (std::size_t i = 0; i < controllers.size(); ++i) controllers[i] += other.controllers[i];
    return *this;
}

bool pitchControllerValue(std::uint16_t wheel, std::uint8_t& value) {
    constexpr int kCentre = 8192;
    constexpr int kTop = 127;  // controller 2 at 127 bends two semitones, as the wheel at +8192
    if (wheel < kCentre) {
        value = 0;
        return false;
    }
    value = static_cast<std::uint8_t>(((wheel - kCentre) * kTop + kCentre / 2) / kCentre);
    return true;
}

namespace {

bool isNoteMessage(std::uint8_t status) { return (status >> 4) == 0x8 || (status >> 4) == 0x9; }

// Follows what sounds on the voice while its events are put in order, and turns
// controllers and the pitch wheel into the events the converter keeps.
class VoiceAssembler {
public:
    VoiceAssembler(const VoiceSettings& settings, const ReducedNotes& notes, PreparedVoice& out)
        : settings_(settings), notes_(notes), out_(out) {}

    void noteStep(const NoteStep& step) {
        settle(tickOf(step.position));
        const FileNote& note = notes_.notes[step.note];
        if (!step.on) {
            add(step.position, kPhaseNoteOff, kNoteOff, note.key, 0, step.note);
            --sounding_;
            return;
        }
        add(step.position, kPhaseNoteOn, kNoteOn, note.key, note.velocity, step.note);
        ++sounding_;
        ++out_.notesPlayed;
        lastKey_ = note.key;
        bendNow_ = 0;
        std::uint32_t tick = tickOf(step.position);
        bool forThisNote = bendFromWheel_ || (bendTick_ == tick && bendPending_);
        bendPending_ = false;
        if (forThisNote && bend_ != 0) pitch(step.position, kPhaseAfterNoteOn, bend_);
    }

    void message(const midifile::InputMessage& message) {
        settle(message.tick);
        Position at = positionOf(message.tick);
        switch (message.status >> 4) {
            case 0xA:
                ++out_.leftOut.keyPressure;
                break;
            case 0xB:
                controller(at, message.tick, message.data1, message.data2);
                break;
            case 0xC:
                ++out_.leftOut.programChanges;
                break;
            case 0xD:
                ++out_.leftOut.channelPressure;
                break;
            case 0xE:
                wheel(at, message.tick,
                      static_cast<std::uint16_t>(message.data1 | message.data2 << 7));
                break;
            default:
                break;
        }
    }

    // The song has ended: a pitch controller still waiting found no note.
    void finish() {
        if (bendPending_) ++out_.leftOut.pitchWithoutNote;
        bendPending_ = false;
    }

private:
    void controller(Position at, std::uint32_t tick, std::uint8_t number, std::uint8_t value) {
        switch (number) {
            case 1:  // a setting of the whole synthesizer, read from voice 0 only
                if (settings_.voice != 0) {
                    ++out_.leftOut.controller1;
                    return;
                }
                break;
            case kPitchController:
                return setBend(at, tick, value, false);
            case 3:
            case 4:
            case kPanController:
                break;
            default:
                ++out_.leftOut.controllers[number];
                return;
        }
        add(at, kPhaseControl, kControl, number, value, 0);
    }

    void wheel(Position at, std::uint32_t tick, std::uint16_t position) {
        if (!settings_.bend) {
            ++out_.leftOut.pitchWheel;
            return;
        }
        ++out_.bends.wheelMessages;
        std::uint8_t value = 0;
        if (!pitchControllerValue(position, value)) ++out_.bends.clipped;
        setBend(at, tick, value, true);
    }

    // The wheel holds its position for the notes that follow; controller 2 of
    // the file bends the note that sounds, or the one starting at its tick.
    void setBend(Position at, std::uint32_t tick, std::uint8_t value, bool fromWheel) {
        bend_ = value;
        bendFromWheel_ = fromWheel;
        bendTick_ = tick;
        bendPending_ = !fromWheel && sounding_ == 0;
        if (sounding_ > 0 && value != bendNow_) pitch(at, kPhaseControl, value);
    }

    void pitch(Position at, std::uint8_t phase, std::uint8_t value) {
        // The converter bends from the voice's last note, and takes a last note
        // 0 for no note at all.
        if (lastKey_ == 0) {
            ++out_.leftOut.pitchWithoutNote;
            return;
        }
        add(at, phase, kControl, kPitchController, value, 0);
        bendNow_ = value;
        if (bendFromWheel_) ++out_.bends.written;
    }

    // Before anything at a later tick: a file's controller 2 that no note took.
    void settle(std::uint32_t tick) {
        if (bendPending_ && tick > bendTick_) {
            ++out_.leftOut.pitchWithoutNote;
            bendPending_ = false;
        }
    }

    void add(Position at, std::uint8_t phase, std::uint8_t kind, std::uint8_t data1,
             std::uint8_t data2, std::uint32_t note) {
        out_.events.push_back({at, phase, kind, data1, data2, note});
    }

    const VoiceSettings& settings_;
    const ReducedNotes& notes_;
    PreparedVoice& out_;
    int sounding_ = 0;
    std::uint8_t lastKey_ = 0;
    std::uint8_t bendNow_ = 0;  // the pitch controller's value since the last note-on
    std::uint8_t bend_ = 0;
    bool bendFromWheel_ = true;
    bool bendPending_ = false;
    std::uint32_t bendTick_ = 0;
};

// A data byte with the top bit set cannot be written back; a note-off's
// velocity means nothing to the converter, so only its key counts.
bool damaged(const midifile::InputMessage& message) {
    bool velocityUnused = (message.status >> 4) == 0x8;
    return message.data1 > 0x7F || (message.data2 > 0x7F && !velocityUnused);
}

}  // namespace

PreparedVoice prepareVoice(const std::vector<midifile::InputMessage>& messages,
                           std::uint32_t endTime, const VoiceSettings& settings) {
    PreparedVoice out;
    std::vector<NoteMessage> noteMessages;
    std::vector<midifile::InputMessage> others;
    noteMessages.reserve(messages.size());
    others.reserve(messages.size());
    for (const midifile::InputMessage& message : messages) {
        if (damaged(message))
            ++out.leftOut.damaged;
        else if (!isNoteMessage(message.status))
            others.push_back(message);
        else
            noteMessages.push_back(
                {message.tick, message.data1,
                 (message.status >> 4) == 0x8 ? std::uint8_t{0} : message.data2});
    }
    ReducedNotes notes = reduceChords(noteMessages, endTime, settings.chords);
    out.notesRead = notes.notes.size();
    out.chords = notes.counts;
    out.leftOut.strayNoteOffs = notes.strayNoteOffs;

    VoiceAssembler assembler(settings, notes, out);
    std::size_t step = 0;
    for (const midifile::InputMessage& message : others) {
        Position at = positionOf(message.tick);
        // Note-offs at the message's tick come first, note-ons after it.
        for (; step < notes.steps.size(); ++step) {
            const NoteStep& next = notes.steps[step];
            if (next.position > at || (next.position == at && next.on)) break;
            assembler.noteStep(next);
        }
        assembler.message(message);
    }
    for (; step < notes.steps.size(); ++step) assembler.noteStep(notes.steps[step]);
    assembler.finish();
    return out;
}

}  // namespace songprep
