#include "tests/songmake/event_helpers.h"

namespace testing_support {

namespace {
std::uint8_t byte(int value) { return static_cast<std::uint8_t>(value); }
}  // namespace

EventPointer noteOn(std::uint32_t time, int note, int velocity, int channel) {
    return std::make_unique<EvNoteOn>(time, byte(channel), static_cast<std::uint16_t>(note),
                                      byte(velocity));
}

EventPointer noteOff(std::uint32_t time, int note, int channel) {
    return std::make_unique<EvNoteOff>(time, byte(channel), static_cast<std::uint16_t>(note));
}

EventPointer pitch(std::uint32_t time, int value, int channel) {
    return std::make_unique<EvPitch>(time, byte(channel), static_cast<std::uint16_t>(value));
}

EventPointer repeat(std::uint32_t time, int value, int channel) {
    return std::make_unique<EvRepeat>(time, byte(channel), byte(value));
}

EventPointer control(std::uint32_t time, int controller, int midiValue, int channel) {
    return std::make_unique<EvMidiControl>(time, byte(channel), byte(controller),
                                           byte(midiValue * 2));
}

EventPointer pan(std::uint32_t time, int midiValue, int channel) {
    return control(time, 10, midiValue, channel);
}

EventPointer tempo(std::uint32_t time, std::uint32_t microsecondsPerQuarter) {
    return std::make_unique<EvTempo>(time, 0, microsecondsPerQuarter);
}

EventPointer envelope(int type, std::uint32_t time, int channel, int mode,
                      std::vector<int> params) {
    params.resize(4);
    const std::uint8_t bytes[4] = {byte(params[0]), byte(params[1]), byte(params[2]),
                                   byte(params[3])};
    return std::make_unique<EvEnvelope>(type, time, byte(channel), byte(mode), bytes);
}

EventPointer withType(EventPointer event, int type) {
    event->type = type;
    return event;
}

std::string describe(const Event& event) {
    std::string at = " @" + std::to_string(event.time);
    auto number = [](int value) { return std::to_string(value); };
    if (auto* on = dynamic_cast<const EvNoteOn*>(&event)) {
        if (on->type == kTypeNoteOn)
            return "note-on " + number(on->value) + " v" + number(on->velocity) + at;
        if (on->type == kTypeNoteOnSameVelocity) return "note-on-same " + number(on->value) + at;
        if (on->type == kTypeSlide) return "slide " + number(on->value) + at;
        return "note-on type " + number(on->type) + " " + number(on->value) + at;
    }
    if (auto* off = dynamic_cast<const EvNoteOff*>(&event))
        return "note-off " + number(off->value) + at;
    if (auto* bend = dynamic_cast<const EvPitch*>(&event))
        return "pitch " + number(bend->value) + at;
    if (auto* rep = dynamic_cast<const EvRepeat*>(&event))
        return "repeat " + number(rep->value) + at;
    if (auto* ctl = dynamic_cast<const EvMidiControl*>(&event))
        return "control " + number(ctl->controller) + "=" + number(ctl->value) + at;
    if (auto* tem = dynamic_cast<const EvTempo*>(&event))
        return "tempo " + std::to_string(tem->tempo) + at;
    if (auto* env = dynamic_cast<const EvEnvelope*>(&event)) {
        return "envelope " + number(env->type) + " mode " + number(env->mode) + " " +
               number(env->params[0]) + "," + number(env->params[1]) + "," +
               number(env->params[2]) + "," + number(env->params[3]) + at;
    }
    if (event.type == kTypeContinue) return "continue" + at;
    if (event.type == kTypeEnd) return "end" + at;
    return "type " + number(event.type) + at;
}

Lines describe(const EventList& list) {
    Lines lines;
    for (const EventPointer& event : list) lines.push_back(describe(*event));
    return lines;
}

std::vector<int> channels(const EventList& list) {
    std::vector<int> result;
    for (const EventPointer& event : list) result.push_back(event->channel);
    return result;
}

ByteStream record(const Event& event) {
    ByteStream out;
    event.write(out);
    return out;
}

ByteStream records(const EventList& list) {
    ByteStream out;
    for (const EventPointer& event : list) event->write(out);
    return out;
}

}  // namespace testing_support
