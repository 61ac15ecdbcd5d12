// brivo: the 双色球 history and follow-pattern program.

#include <QApplication>
#include <QIcon>

#include "app/frm_main.h"
#include "platform/base/clock.h"
#include "platform/base/program_folder.h"
#include "platform/base/settings_store.h"
#include "platform/qt/qt_translation.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QCoreApplication::setOrganizationName("TarnwickSSQ");
  QCoreApplication::setApplicationName("brivo");
  brivo::InstallQtChineseTranslation(app);
  // The menu entry this window belongs to, and its icon for desktops that take it from the window.
  QGuiApplication::setDesktopFileName("net.tarnwickssq.brivo");
  QApplication::setWindowIcon(QIcon(":/icons/brivo.png"));
  std::unique_ptr<brivo::SettingsStore> settings = brivo::MakeSettingsStore();
  brivo::SystemClock clock;
  brivo::AppContext context;
  context.program_folder = brivo::DefaultProgramFolder();
  context.settings = settings.get();
  context.clock = &clock;
  brivo::FrmMain window(context);
  window.ShowPlaced();
  return app.exec();
}
