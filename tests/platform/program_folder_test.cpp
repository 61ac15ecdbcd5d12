// The program folder for an executable in each kind of folder, and the share folder of an
// installed copy, also under Chinese folder names.

#include "platform/base/program_folder.h"

#include <gtest/gtest.h>

#include <QStandardPaths>
#include <QString>
#include <QUuid>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/base/install_paths.h"
#include "platform/base/native_file.h"
#include "testing/temp_dir.h"

namespace brivo {
namespace {

// A folder (UTF-8) made with its parents; removed with everything in it at the end.
class MadeFolder {
 public:
  explicit MadeFolder(std::string path) : path_(std::move(path)) {
    std::error_code ec;
    std::filesystem::create_directories(NativePath(path_), ec);
    EXPECT_FALSE(ec) << path_ << ": " << ec.message();
  }
  ~MadeFolder() {
    std::error_code ec;
    std::filesystem::remove_all(NativePath(path_), ec);
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

TEST(ProgramFolderForTest, ItsOwnFolderWhereItMayWriteThereAndIsNoInstalledCopy) {
  // The per-user folders of tests, never a real user's.
  QStandardPaths::setTestModeEnabled(true);
  const std::string per_user =
      QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
  testing::TempDir dir;
  const MadeFolder portable(dir.File("便携"));
  const MadeFolder users_own(dir.File("Users/张三/双色球Brivo"));
  struct Row {
    const char* name;
    std::string executable_folder;
    bool own;  // the program folder is the executable's own
  };
  std::vector<Row> rows = {
      {"a writable folder", portable.path(), true},
      {"a folder under a Chinese user name", users_own.path(), true},
      {"a folder that is gone", dir.File("gone"), false},
      {"no folder", "", false},
  };
#ifdef _WIN32
  // The portable zip unpacked: brivo.exe with share\brivo beside it, as installed but elsewhere.
  const MadeFolder unpacked(dir.File("张三/Brivo"));
  const MadeFolder share(dir.File("张三/Brivo/share/brivo"));
  rows.push_back({"an unpacked portable copy", unpacked.path(), true});
#else
  const MadeFolder unpacked(dir.File("张三/程序/bin"));
  const MadeFolder share(dir.File("张三/程序/share/brivo"));
  rows.push_back({"an installed copy", unpacked.path(), false});
#endif
#ifdef _WIN32
  // Wine lets anyone write into Program Files, as an administrator may on Windows: the folder is
  // passed over all the same.
  const MadeFolder program_files(
      Utf8Path(NativePath(qEnvironmentVariable("ProgramFiles").toStdString()) /
               NativePath("双色球Brivo-" +
                          QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString())));
  ASSERT_TRUE(IsWritableFolder(program_files.path()));
  rows.push_back({"under Program Files", program_files.path(), false});
#endif
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ProgramFolderFor(row.executable_folder), row.own ? row.executable_folder : per_user);
  }
  EXPECT_TRUE(std::filesystem::is_directory(NativePath(per_user)));
  // The copy finds its help pages and shipped history under the Chinese name.
  EXPECT_EQ(NativePath(InstalledShareFolderOf(unpacked.path())), NativePath(share.path()));
  EXPECT_EQ(InstalledShareFolderOf(portable.path()), "");
  QStandardPaths::setTestModeEnabled(false);
}

}  // namespace
}  // namespace brivo
