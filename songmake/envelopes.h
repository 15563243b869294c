// Envelope definitions: hand-written text lines that become envelope events.
#pragma once

#include <optional>
#include <string>

#include "songmake/events.h"

// Reads BASE.env and appends one envelope event per valid line, in file order.
// A missing file prints "Can't open BASE" and adds nothing.
void readEnvelopes(const std::string& base, EventList& list);

// One line of an envelope file, as read; nothing for a comment, an empty line or
// a line whose eight fields do not all convert.
std::unique_ptr<EvEnvelope> parseEnvelopeLine(const char* line);
