#pragma once

#include <string>

namespace brivo {

// The folder the text import's file dialog opens in: the program folder's 历史号码 folder, or the
// program folder itself, whichever holds a text file; where neither does (a new user), the
// folder of the history shipped with the program.
std::string ImportStartFolder(const std::string& program_folder);

}  // namespace brivo
