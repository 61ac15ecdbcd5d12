#include "platform/qt/desktop_launcher.h"

#include <QDesktopServices>
#include <QUrl>

#include "platform/base/log.h"

namespace brivo {

bool DesktopLauncher::OpenFile(const std::string& path) {
  const bool started = QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
  if (!started) LogWarning("no application to open " + path);
  return started;
}

bool DesktopLauncher::OpenAddress(const std::string& url) {
  const bool started = QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
  if (!started) LogWarning("no browser to open " + url);
  return started;
}

}  // namespace brivo
