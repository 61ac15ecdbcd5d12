#include "platform/base/file_util.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace brivo {
namespace {

Status Failure(const std::string& what, const std::string& path) {
  return Status::FromErrno(what + " " + path, errno);
}

}  // namespace

Status WriteFileAtomically(const std::string& path, std::string_view bytes) {
  std::string temporary = path + ".tmp-XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Failure("cannot create a file beside", path);
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Status s = Failure("cannot write", temporary);
      ::close(fd);
      ::unlink(temporary.c_str());
      return s;
    }
    written += static_cast<std::size_t>(n);
  }
  // mkstemp makes the file private; a written file is as readable as any other.
  ::fchmod(fd, 0644);
  if (::fsync(fd) != 0 || ::close(fd) != 0) {
    Status s = Failure("cannot sync", temporary);
    ::unlink(temporary.c_str());
    return s;
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    Status s = Failure("cannot replace", path);
    ::unlink(temporary.c_str());
    return s;
  }
  const std::string folder = std::filesystem::path(path).parent_path().string();
  const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  return Status::Ok();
}

}  // namespace brivo
