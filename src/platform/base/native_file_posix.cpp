#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/base/native_file.h"  // IWYU pragma: associated

namespace brivo {
namespace {

Status SyncPath(const std::string& path, int flags) {
  int fd = ::open(path.c_str(), flags);
  if (fd < 0) return Status::FromErrno("cannot open " + path + " to sync it", errno);
  int rc = ::fsync(fd);
  int error = errno;
  ::close(fd);
  return rc == 0 ? Status::Ok() : Status::FromErrno("cannot sync " + path, error);
}

Status WriteAll(int fd, const char* data, std::size_t size, const std::string& path) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Status::FromErrno("cannot write " + path, n < 0 ? errno : EIO);
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return Status::Ok();
}

}  // namespace

std::filesystem::path NativePath(std::string_view utf8) { return std::filesystem::path(utf8); }

std::string Utf8Path(const std::filesystem::path& path) { return path.string(); }

Status SyncFile(const std::string& path) { return SyncPath(path, O_RDONLY); }

Status SyncFolder(const std::string& folder) {
  return SyncPath(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY);
}

Status RenameOver(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) {
    return Status::FromErrno("cannot replace " + to, errno);
  }
  return Status::Ok();
}

Status CopyToNewFile(const std::string& source, const std::string& destination) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Status::FromErrno("cannot read " + source, errno);
  int out = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (out < 0) {
    int error = errno;
    ::close(in);
    return Status::FromErrno("cannot create " + destination, error);
  }
  Status status;
  char buffer[1 << 16];
  while (status.ok()) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) status = Status::FromErrno("cannot read " + source, errno);
    if (n <= 0) break;
    status = WriteAll(out, buffer, static_cast<std::size_t>(n), destination);
  }
  if (status.ok() && ::fsync(out) != 0)
    status = Status::FromErrno("cannot sync " + destination, errno);
  // A failing close can report a write the disk refused late.
  if (::close(out) != 0 && status.ok())
    status = Status::FromErrno("cannot close " + destination, errno);
  ::close(in);
  if (!status.ok()) ::unlink(destination.c_str());
  return status;
}

}  // namespace brivo
