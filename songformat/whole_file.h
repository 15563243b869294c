// Whole-file input and output shared by the tools: a file is read at once, and
// an output file is either the complete new one or whatever was there before.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace songformat {

// Far more than the 65536 bytes the player can reach; a bigger file is not a
// song, and reading it whole would only exhaust memory (think of /dev/zero).
inline constexpr std::size_t kLargestSongFile = std::size_t{16} << 20;

enum class ReadResult { ok, cantOpen, cantRead, tooLarge };

// Reads all of `name` into `bytes`. Stops a little past `limit` bytes, so that a
// larger or endless file shows as tooLarge without being read whole. A folder
// is cantRead.
ReadResult readWholeFile(const std::string& name, std::size_t limit,
                         std::vector<std::uint8_t>& bytes);

// Writes `content` to a temporary file beside `name` that replaces `name` once
// everything was written and closed (platform::TemporaryFile). Returns false,
// with no temporary left and `name` untouched, on failure.
bool replaceFile(const std::string& name, std::string_view content);

}  // namespace songformat
