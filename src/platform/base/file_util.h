#pragma once

#include <string>
#include <string_view>

#include "platform/base/status.h"

namespace brivo {

// Writes the bytes to a temporary file beside `path`, syncs it and renames it over `path`, so
// the file under that name is always either the old one or the whole new one.
Status WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace brivo
