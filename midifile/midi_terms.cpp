#include "midifile/midi_terms.h"

#include <cstdio>
#include <map>

namespace midifile {

bool isSmpteDivision(std::uint16_t division) { return (division & 0x8000) != 0; }

int smpteFramesPerSecond(std::uint16_t division) {
    return -static_cast<std::int8_t>(division >> 8);
}

int smpteTicksPerFrame(std::uint16_t division) { return division & 0xFF; }

bool isValidSmpteDivision(std::uint16_t division) {
    return isSmpteDivision(division) && smpteFramesPerSecond(division) > 0 &&
           smpteTicksPerFrame(division) > 0;
}

std::string describeDivision(std::uint16_t division) {
    char text[64];
    if (division == 0) return "no time division";
    if (isSmpteDivision(division))
        std::snprintf(text, sizeof text, "SMPTE time, %d frames per second of %d ticks",
                      smpteFramesPerSecond(division), smpteTicksPerFrame(division));
    else
        std::snprintf(text, sizeof text, "%u %s per quarter note", unsigned{division},
                      division == 1 ? "tick" : "ticks");
    return text;
}

std::string controllerName(int controller) {
    static const std::map<int, const char*> kNames = {
        {0, "bank select"},    {5, "portamento time"}, {6, "data entry"},
        {7, "volume"},         {8, "balance"},         {11, "expression"},
        {64, "sustain"},       {65, "portamento"},     {66, "sostenuto"},
        {67, "soft pedal"},    {91, "reverb"},         {93, "chorus"},
        {98, "NRPN"},          {99, "NRPN"},           {100, "RPN"},
        {101, "RPN"},          {120, "all sound off"}, {121, "reset all controllers"},
        {123, "all notes off"}};
    auto found = kNames.find(controller);
    std::string text = std::to_string(controller);
    if (found != kNames.end()) text += std::string(" (") + found->second + ")";
    return text;
}

}  // namespace midifile
