#include <windows.h>

#include <cerrno>

#include "platform/base/native_file.h"  // IWYU pragma: associated

namespace brivo {

int ErrnoOfWindowsError(unsigned long error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EACCES;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    default:
      return EIO;
  }
}

namespace {

Status Failure(const std::string& what) {
  return Status::FromErrno(what, ErrnoOfWindowsError(GetLastError()));
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool ok() const { return h_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return h_; }
  bool Close() {
    const bool closed = h_ == INVALID_HANDLE_VALUE || CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return closed;
  }

 private:
  HANDLE h_;
};

// Others may read and write the file meanwhile, as on Linux; only a rename over it is refused.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

Status WriteAll(HANDLE file, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, data, chunk, &written, nullptr)) return Failure("cannot write " + path);
    if (written == 0) return Status::FromErrno("cannot write " + path, EIO);
    data += written;
    size -= written;
  }
  return Status::Ok();
}

}  // namespace

std::filesystem::path NativePath(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

Status SyncFile(const std::string& path) {
  // FlushFileBuffers needs a handle that may write.
  Handle file(CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, kShareAll, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.ok()) return Failure("cannot open " + path + " to sync it");
  if (!FlushFileBuffers(file.get())) return Failure("cannot sync " + path);
  return Status::Ok();
}

// NTFS journals its folder entries itself, and Windows offers no way to flush a folder that an
// ordinary user may take; the rename's MOVEFILE_WRITE_THROUGH is what there is.
Status SyncFolder(const std::string&) { return Status::Ok(); }

// Whether another program holds the file open without letting others delete it (Excel with its
// workbook, another program with the history), which is why Windows refuses to replace it.
bool IsHeldOpen(const std::string& path) {
  Handle file(CreateFileW(NativePath(path).c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  return !file.ok() && GetLastError() == ERROR_SHARING_VIOLATION;
}

Status RenameOver(const std::string& from, const std::string& to) {
  if (!MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                   MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ||
        (error == ERROR_ACCESS_DENIED && IsHeldOpen(to))) {
      return Status::Error(Status::Code::kInUse,
                           "cannot replace " + to + ": another program holds it open");
    }
    SetLastError(error);
    return Failure("cannot replace " + to);
  }
  return Status::Ok();
}

Status CopyToNewFile(const std::string& source, const std::string& destination) {
  Handle in(CreateFileW(NativePath(source).c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!in.ok()) return Failure("cannot read " + source);
  Handle out(CreateFileW(NativePath(destination).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!out.ok()) return Failure("cannot create " + destination);
  Status status;
  char buffer[1 << 16];
  while (status.ok()) {
    DWORD n = 0;
    if (!ReadFile(in.get(), buffer, sizeof buffer, &n, nullptr)) {
      status = Failure("cannot read " + source);
    }
    if (n == 0) break;
    status = WriteAll(out.get(), buffer, n, destination);
  }
  if (status.ok() && !FlushFileBuffers(out.get())) status = Failure("cannot sync " + destination);
  if (!out.Close() && status.ok()) status = Failure("cannot close " + destination);
  if (!status.ok()) DeleteFileW(NativePath(destination).c_str());
  return status;
}

}  // namespace brivo
