#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/base/status.h"

namespace brivo {

// The file system calls the history's durability rests on, for UTF-8 paths; one implementation
// per system (native_file_posix.cpp, native_file_windows.cpp).

// A UTF-8 path as the file system takes it: the same bytes on Linux, UTF-16 on Windows (where a
// path made from a plain string would be read in the system's code page and lose Chinese names).
std::filesystem::path NativePath(std::string_view utf8);
// The path as UTF-8.
std::string Utf8Path(const std::filesystem::path& path);

// Writes the file's data through to the disk.
Status SyncFile(const std::string& path);
// Writes a folder's entries (a file renamed into it) through to the disk.
Status SyncFolder(const std::string& folder);
// Puts `from` in the place of `to` in one step, also when `to` exists; where the system refuses
// both files stay as they were (kInUse on Windows when another program holds `to` open).
Status RenameOver(const std::string& from, const std::string& to);
// Copies `source` to `destination`, which must not exist, and syncs the copy to the disk. A failed
// copy leaves no destination behind.
Status CopyToNewFile(const std::string& source, const std::string& destination);

#ifdef _WIN32
// A Windows error code (GetLastError) as the errno Status::FromErrno knows, so that a full disk or
// a file held by another program reads the same as on Linux.
int ErrnoOfWindowsError(unsigned long error);
#endif

}  // namespace brivo
