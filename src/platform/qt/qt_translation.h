#pragma once

#include <QCoreApplication>

namespace brivo {

// Loads Qt's own Chinese translation into the application, so that the standard buttons of
// every dialog read 确定/取消 whatever the desktop's language: the program speaks Chinese only.
// Looks in Qt's translations folder, then in "translations" beside the executable (a copy
// deployed without Qt's folder). False, with the buttons left in English, when none is found.
bool InstallQtChineseTranslation(QCoreApplication& app);

}  // namespace brivo
