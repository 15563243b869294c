// What a listener hears go wrong in an arrangement, beyond what it leaves out:
// blips (a note heard for less than 30 ms that was written longer) and keys
// sounding on two voices at once.
#pragma once

#include <cstddef>

#include "tests/support/midi_writer.h"

namespace testing_support {

struct ArrangementAudit {
    std::size_t blips = 0;
    double doubledMs = 0;  // time some key sounds on more than one voice, for each extra voice
};

// `written` is the file given to songprep, `arranged` what it wrote. A blip
// the written file forces (another note of its key struck within its first
// 30 ms) is no blip of the arranger's.
ArrangementAudit auditArrangement(const Bytes& written, const Bytes& arranged);

}  // namespace testing_support
