#include "testing/small_disk.h"

#ifndef _WIN32
#include <sys/mount.h>
#include <sys/statvfs.h>
#endif

#include <filesystem>

#include "testing/temp_dir.h"

namespace brivo::testing {

#ifdef _WIN32
// Windows has no tmpfs: never mounted, and the tests that need one skip.
SmallDisk::SmallDisk(const std::string& path, std::size_t) : path_(path) {}
SmallDisk::~SmallDisk() = default;
bool SmallDisk::SetReadOnly(bool) { return false; }
bool SmallDisk::FillLeaving(std::size_t) { return false; }
#else
SmallDisk::SmallDisk(const std::string& path, std::size_t bytes) : path_(path) {
  const std::string options = "size=" + std::to_string(bytes);
  mounted_ = ::mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallDisk::~SmallDisk() {
  if (mounted_) ::umount2(path_.c_str(), MNT_DETACH);
}

bool SmallDisk::SetReadOnly(bool read_only) {
  const unsigned long flags = MS_REMOUNT | MS_NOSUID | MS_NODEV | (read_only ? MS_RDONLY : 0);
  return ::mount("tmpfs", path_.c_str(), "tmpfs", flags, nullptr) == 0;
}

bool SmallDisk::FillLeaving(std::size_t left) {
  struct statvfs fs {};
  if (::statvfs(path_.c_str(), &fs) != 0) return false;
  const std::size_t free = static_cast<std::size_t>(fs.f_bavail) * fs.f_frsize;
  if (free < left) return false;
  WriteFileBytes(Filler(), std::string(free - left, '\0'));
  return true;
}
#endif

void SmallDisk::Free() {
  std::error_code ec;
  std::filesystem::remove(Filler(), ec);
}

}  // namespace brivo::testing
