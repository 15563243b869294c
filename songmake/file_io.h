// Whole-file input and output for songmake.
#pragma once

#include <cstddef>
#include <string>

// Writes `size` bytes to a temporary file beside `name` and renames it onto `name`
// once everything was written and closed, so `name` is either the complete new
// file or whatever it was before. Returns false (with no temporary left) on failure.
bool replaceFile(const std::string& name, const void* data, std::size_t size);
