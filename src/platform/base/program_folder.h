#pragma once

#include <string>

namespace brivo {

// The folder the program keeps its files in: the executable's folder, or the per-user
// application data folder (created when missing) where that one is not writable or the program
// is an installed copy (one with share/brivo beside its bin folder).
std::string DefaultProgramFolder();

// Whether a file can be created in the folder (tried, not guessed from permission bits).
bool IsWritableFolder(const std::string& folder);

}  // namespace brivo
