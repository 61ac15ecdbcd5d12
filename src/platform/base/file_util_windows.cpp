#include <windows.h>

#include <random>

#include "platform/base/file_util.h"
#include "platform/base/native_file.h"

namespace brivo {
namespace {

// A name beside `path` that no other writer picks: the process and a random part.
std::string TemporaryName(const std::string& path) {
  static thread_local std::mt19937 random(std::random_device{}() ^ GetCurrentProcessId());
  return path + ".tmp-" + std::to_string(GetCurrentProcessId()) + "-" +
         std::to_string(random() % 1000000);
}

Status Failure(const std::string& what) {
  return Status::FromErrno(what, ErrnoOfWindowsError(GetLastError()));
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temporary;
  HANDLE file = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 10 && file == INVALID_HANDLE_VALUE; ++attempt) {
    temporary = TemporaryName(path);
    file = CreateFileW(NativePath(temporary).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS) break;
  }
  if (file == INVALID_HANDLE_VALUE) return Failure("cannot create a file beside " + path);
  Status status;
  std::size_t written = 0;
  while (status.ok() && written < bytes.size()) {
    DWORD n = 0;
    const std::size_t left = bytes.size() - written;
    const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
    if (!WriteFile(file, bytes.data() + written, chunk, &n, nullptr) || n == 0) {
      status = Failure("cannot write " + temporary);
    }
    written += n;
  }
  if (status.ok() && !FlushFileBuffers(file)) status = Failure("cannot sync " + temporary);
  if (!CloseHandle(file) && status.ok()) status = Failure("cannot sync " + temporary);
  if (status.ok()) status = RenameOver(temporary, path);
  if (!status.ok()) DeleteFileW(NativePath(temporary).c_str());
  return status;
}

}  // namespace brivo
