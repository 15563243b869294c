// What a check found: each kind of loss or remark ("info": nothing is lost) with
// how often it happens and where, first places first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace songcheck {

// Where a finding happens: a MIDI tick on a channel or a voice, or a line of
// the envelope file, or nowhere in particular (a wave file, the stream).
struct Place {
    enum class Kind { channel, voice, line, none };
    Kind kind = Kind::none;
    std::uint32_t tick = 0;
    bool timed = false;  // the tick says when it happens (a line's is its event's time)
    int number = 0;      // the channel (0 to 15), voice (0 to 3) or line (from 1)
    std::string detail;  // what happens there, when more than the finding's title says
};

Place channelPlace(std::uint32_t tick, int channel, std::string detail = {});
Place voicePlace(std::uint32_t tick, int voice, std::string detail = {});
Place linePlace(std::size_t line, std::string detail = {});
// A line whose event happens at `tick`.
Place timedLinePlace(std::size_t line, std::uint32_t tick, std::string detail);

// "tick 480 channel 10", "tick 0 voice 1 (E4)", "line 7: fewer than eight fields".
// Channels are numbered 1 to 16 as sequencers show them.
std::string describePlace(const Place& place);

struct Finding {
    bool loss = true;  // false for a remark: nothing is lost, but the user should know
    std::string title;
    std::size_t count = 0;
    std::vector<Place> places;  // the first kMostPlaces, in the order they were met
    std::uint64_t sortKey = 0;  // findings of one list are shown by this, then as added
};

// A finding of loss (or, with `loss` false, a remark) not yet met anywhere.
Finding finding(std::string title, bool loss = true);

class Findings {
public:
    // Places kept per finding for the picture; the report prints the first five.
    static constexpr std::size_t kMostPlaces = 5000;
    static constexpr std::size_t kPrintedPlaces = 5;

    // Adds a finding that happens `count` times (at least once).
    Finding& add(bool loss, std::string title, std::size_t count = 1);
    // Keeps `finding` when it happened at all.
    void keep(Finding finding);
    // Moves every finding of `other` after these.
    void append(Findings&& other);

    std::deque<Finding>& all() { return findings_; }
    const std::deque<Finding>& all() const { return findings_; }
    std::size_t losses() const;
    std::size_t remarks() const;

private:
    std::deque<Finding> findings_;  // stable addresses while more are added
};

void addPlace(Finding& finding, Place place);

}  // namespace songcheck
