#include "platform/base/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QUuid>

#ifdef _WIN32
#include <shlobj.h>
#include <windows.h>
#endif

#include "platform/base/install_paths.h"
#include "platform/base/log.h"

namespace brivo {
namespace {

#ifdef _WIN32
// The folder of a known folder id, in Qt's form (forward slashes), or empty.
QString KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  QString folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path))) {
    folder = QDir::fromNativeSeparators(QString::fromWCharArray(path));
  }
  CoTaskMemFree(path);
  return folder;
}

// The same folder under another spelling (a short 8.3 name, a link) compares equal.
QString Comparable(const QString& folder) {
  const QString canonical = QFileInfo(folder).canonicalFilePath();
  return QDir::cleanPath(canonical.isEmpty() ? folder : canonical).toCaseFolded();
}

// Whether the folder is or lies in Program Files (either of them): what the installer puts there
// belongs to every user of the machine.
bool LiesUnderProgramFiles(const std::string& folder) {
  const QString inner = Comparable(QString::fromStdString(folder));
  for (const KNOWNFOLDERID* id : {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86}) {
    const QString outer = KnownFolder(*id);
    if (outer.isEmpty()) continue;
    const QString comparable = Comparable(outer);
    if (inner == comparable || inner.startsWith(comparable + QLatin1Char('/'))) return true;
  }
  return false;
}
#endif

}  // namespace

std::string DefaultProgramFolder() {
  // applicationDirPath() is empty before a QCoreApplication exists.
  const std::string executable_folder = QCoreApplication::instance() != nullptr
                                            ? QCoreApplication::applicationDirPath().toStdString()
                                            : std::string();
  return ProgramFolderFor(executable_folder);
}

std::string ProgramFolderFor(const std::string& executable_folder) {
  // An installed copy always keeps its files per user, even where its folder happens to be
  // writable (root, an unpacked package, Program Files under an account that may write there).
  if (!executable_folder.empty() && !IsInstalledCopy(executable_folder) &&
      IsWritableFolder(executable_folder)) {
    return executable_folder;
  }
  const QString data_folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (!QDir().mkpath(data_folder)) {
    LogWarning("cannot create the application data folder " + data_folder.toStdString());
  }
  return data_folder.toStdString();
}

bool IsInstalledCopy(const std::string& executable_folder) {
#ifdef _WIN32
  // The portable copy carries the same share folder beside brivo.exe as the installed one: only
  // where it lies tells them apart.
  return LiesUnderProgramFiles(executable_folder);
#else
  return !InstalledShareFolderOf(executable_folder).empty();
#endif
}

bool IsWritableFolder(const std::string& folder) {
  if (folder.empty()) return false;
  const QString dir = QString::fromStdString(folder);
  if (!QFileInfo(dir).isDir()) return false;
  // NewOnly is O_CREAT|O_EXCL: the probe never touches a file that is already there. Permission
  // bits, ACLs, read-only mounts and a root user all decide the answer as they do for real files.
  for (int attempt = 0; attempt < 3; ++attempt) {
    QFile probe(dir + QStringLiteral("/.brivo-write-probe-") +
                QUuid::createUuid().toString(QUuid::WithoutBraces));
    if (probe.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
      probe.close();
      if (!probe.remove()) {
        LogWarning("cannot remove the probe file " + probe.fileName().toStdString());
      }
      return true;
    }
    // Only a name clash is worth another try; anything else is the folder refusing.
    if (!probe.exists()) return false;
  }
  return false;
}

}  // namespace brivo
