// Whole-file input and output for songasm.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Every byte of the file `name`, but no more than a little over `limit`, so that a
// larger file shows by its size without being read whole; nothing when it cannot
// be opened or read (a folder opens, but fails to read).
std::optional<std::vector<std::uint8_t>> readWholeFile(const std::string& name, std::size_t limit);

// Writes `text` to a temporary file beside `name` and renames it onto `name` once
// everything was written and closed, so `name` is either the complete new file or
// whatever it was before. Returns false (with no temporary left) on failure.
bool replaceFile(const std::string& name, std::string_view text);
