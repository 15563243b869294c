// Writes a whole file so that readers never see half of it.
#pragma once

#include <string>

namespace songdump {

// Writes `text` to a temporary file beside `name` and renames it over `name`.
// On failure nothing is left behind and any existing file keeps its content.
bool replaceFile(const std::string& name, const std::string& text);

}  // namespace songdump
