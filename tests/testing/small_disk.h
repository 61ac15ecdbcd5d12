#pragma once

#include <cstddef>
#include <string>

namespace brivo::testing {

// A small file system of its own (tmpfs) mounted on a folder, so that a test can fill it up or
// make it read-only. Mounting needs the right to (root); without it mounted() is false and the
// test should skip. Unmounted when it goes.
class SmallDisk {
 public:
  SmallDisk(const std::string& path, std::size_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool mounted() const { return mounted_; }
  // REQUIRES: no file on it is open for writing.
  bool SetReadOnly(bool read_only);
  // Fills the disk up to `left` free bytes with a file that Free() takes away again; false when
  // it has less room than that.
  bool FillLeaving(std::size_t left);
  void Free();

 private:
  std::string Filler() const { return path_ + "/filler"; }
  std::string path_;
  bool mounted_ = false;
};

}  // namespace brivo::testing
