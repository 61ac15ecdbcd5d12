#pragma once

#include <string>

#include "platform/base/status.h"

namespace brivo {

// The title of the program's own messages.
inline constexpr char kMessageTitle[] = "双色球Brivo";

// Why a command could not be done, for the user, in Chinese: a sentence for the kind of failure
// (a full disk, a database another program holds, a damaged file, a folder that cannot be
// written). The status's own technical text belongs in the log, which the caller writes.
std::string FailureReason(const Status& status);

}  // namespace brivo
