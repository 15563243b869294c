#include "songplay/play_summary.h"

#include <cstdio>
#include <vector>

#include "toolkit/text_format.h"

namespace songplay {

using toolkit::plural;

std::string writtenLine(const std::string& written, std::uint64_t frames, unsigned rate,
                        std::size_t notes) {
    char seconds[48];
    std::snprintf(seconds, sizeof seconds, "%.1f",
                  static_cast<double>(frames) / static_cast<double>(rate));
    return written + ": " + seconds + " seconds, " + plural(notes, "note", "notes") + ".";
}

std::string notHeardLine(const UnheardCounts& unheard, std::size_t bytesAfterEnd) {
    std::vector<std::string> items;
    auto add = [&](std::size_t number, const char* one, const char* many) {
        if (number > 0) items.push_back(plural(number, one, many));
    };
    add(unheard.controller1, "controller 1 record", "controller 1 records");
    add(unheard.controller4, "controller 4 record", "controller 4 records");
    add(unheard.repeats, "repeat record", "repeat records");
    add(unheard.envelopes, "envelope", "envelopes");
    add(unheard.notesWithoutVelocity, "note before its voice had a velocity",
        "notes before their voice had a velocity");
    add(unheard.otherVoices, "record for voices 4 to 15", "records for voices 4 to 15");
    add(bytesAfterEnd, "byte after the end record", "bytes after the end record");
    if (items.empty()) return "";
    std::string line = "Not heard: ";
    for (std::size_t i = 0; i < items.size(); ++i) line += (i > 0 ? ", " : "") + items[i];
    return line + ".";
}

std::string tooLongLine(const std::string& wavName, double frames, unsigned rate) {
    char text[160];
    std::snprintf(text, sizeof text,
                  ": the song lasts %.1f hours, over the 4 GiB of samples a WAV file holds at "
                  "%u Hz.",
                  frames / rate / 3600.0, rate);
    return "can't write " + wavName + text;
}

}  // namespace songplay
