#pragma once

#include <string>

namespace brivo {

// The folder the program keeps its files in, for the running executable (see ProgramFolderFor).
std::string DefaultProgramFolder();

// The folder the program keeps its files in when its executable lies in `executable_folder`
// (UTF-8): that folder where a file can be created in it, unless the program is an installed
// copy; otherwise the per-user application data folder, created when missing.
std::string ProgramFolderFor(const std::string& executable_folder);

// Whether an executable in the folder is an installed copy, whose folder belongs to the system
// and not to one user: on Windows one under Program Files (a portable copy elsewhere keeps its
// files beside it), elsewhere one with share/brivo beside its bin folder.
bool IsInstalledCopy(const std::string& executable_folder);

// Whether a file can be created in the folder (tried, not guessed from permission bits).
bool IsWritableFolder(const std::string& folder);

}  // namespace brivo
