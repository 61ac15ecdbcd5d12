#pragma once

#include <filesystem>
#include <string>

namespace brivo::testing {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The UTF-8 path of `name` (UTF-8) in the folder.
  std::string File(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// The bytes of a file (a UTF-8 path), or an empty string when it cannot be read.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A file of the project's test data folder.
std::string TestDataFile(const std::string& name);

}  // namespace brivo::testing
