#include "testing/temp_dir.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <random>
#include <sstream>

#include "platform/base/native_file.h"

namespace brivo::testing {

TempDir::TempDir() {
#ifdef _WIN32
  // No mkdtemp: a random name, created only when no other test has it.
  std::random_device random;
  for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
    const auto name = "brivo-test-" + std::to_string(random() % 100000000u);
    std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) path_ = candidate;
  }
  if (path_.empty()) ADD_FAILURE() << "cannot create a temporary folder";
#else
  std::string pattern = (std::filesystem::temp_directory_path() / "brivo-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed";
  path_ = pattern;
#endif
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::string TempDir::File(const std::string& name) const {
  return Utf8Path(path_ / NativePath(name));
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out << bytes;
}

std::string TestDataFile(const std::string& name) {
  return std::string(BRIVO_TEST_DATA_DIR) + "/" + name;
}

}  // namespace brivo::testing
