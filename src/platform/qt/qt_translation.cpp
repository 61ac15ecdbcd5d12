#include "platform/qt/qt_translation.h"

#include <QLibraryInfo>
#include <QTranslator>

namespace brivo {

bool InstallQtChineseTranslation(QCoreApplication& app) {
  const QString folders[] = {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                             QCoreApplication::applicationDirPath() + "/translations"};
  for (const QString& folder : folders) {
    auto* translator = new QTranslator(&app);
    if (translator->load("qtbase_zh_CN", folder) &&
        QCoreApplication::installTranslator(translator)) {
      return true;
    }
    delete translator;
  }
  return false;
}

}  // namespace brivo
