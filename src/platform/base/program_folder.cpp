#include "platform/base/program_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <QUuid>

#include "platform/base/install_paths.h"
#include "platform/base/log.h"

namespace brivo {

std::string DefaultProgramFolder() {
  // applicationDirPath() is empty before a QCoreApplication exists. An installed copy always
  // keeps its files per user, even where its folder happens to be writable (root, an unpacked
  // package): the folder of an installed program belongs to the system, not to one user.
  if (QCoreApplication::instance() != nullptr && InstalledShareFolder().empty()) {
    const std::string app_folder = QCoreApplication::applicationDirPath().toStdString();
    if (!app_folder.empty() && IsWritableFolder(app_folder)) return app_folder;
  }
  const QString data_folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
  if (!QDir().mkpath(data_folder)) {
    LogWarning("cannot create the application data folder " + data_folder.toStdString());
  }
  return data_folder.toStdString();
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
