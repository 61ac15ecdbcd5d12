#pragma once

#include <string_view>

namespace brivo {

// Writes one line to the program's log (standard error): failures that a command skipped.
void LogWarning(std::string_view message);

}  // namespace brivo
