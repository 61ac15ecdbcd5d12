#pragma once

#include <string>

// Where the program finds the files installed with it. An installed copy lies in a `bin` folder
// with its resources in `share/brivo` beside it; a copy run from its build folder reads the same
// files from the source tree.
namespace brivo {

// The installed resources folder (…/share/brivo) of an executable in `executable_folder`, or
// empty when that is no installed copy.
std::string InstalledShareFolderOf(const std::string& executable_folder);
// The same for the running executable; empty before a QCoreApplication exists.
std::string InstalledShareFolder();

// The folder of the help pages.
std::string HelpFolder();

// The folder of the draw history shipped with the program, and the file's name in it.
std::string ShippedHistoryFolder();
inline constexpr char kShippedHistoryFile[] = "ssq_history_sorted.txt";

}  // namespace brivo
