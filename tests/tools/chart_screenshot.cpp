// chart_screenshot DRAWS_FILE OUT_PNG [maximised]: opens the main window on a fresh history built
// from the draws, runs 检索 and 回测检验, shows the page 图表 at the window's default size (or
// maximised) and saves the screen as OUT_PNG, and beside it what 保存图表 saves (OUT_PNG with
// "-saved.png" for ".png"). For looking at the charts as a display server draws them
// (scripts/screenshot-charts.sh runs it under Xvfb).

#include <QApplication>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/analysis_tabs.h"
#include "app/chart_page.h"
#include "app/frm_main.h"
#include "platform/base/clock.h"
#include "platform/base/settings_store.h"
#include "store/history_db.h"
#include "testing/history_builder.h"

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 4 && std::strcmp(argv[3], "maximised") == 0)) {
    std::fprintf(stderr, "usage: chart_screenshot DRAWS_FILE OUT_PNG [maximised]\n");
    return 2;
  }
  QApplication app(argc, argv);
  QTemporaryDir folder;
  const std::string program_folder = folder.path().toStdString();
  const brivo::Status built = brivo::testing::BuildHistory(
      brivo::store::ProgramFile(program_folder, brivo::store::kHistoryFileName),
      brivo::testing::ReadDrawFile(argv[1]));
  if (!built.ok()) {
    std::fprintf(stderr, "chart_screenshot: %s\n", built.ToString().c_str());
    return 1;
  }
  std::unique_ptr<brivo::SettingsStore> settings =
      brivo::MakeSettingsStore(program_folder + "/settings.ini");
  brivo::SystemClock clock;
  brivo::AppContext context;
  context.program_folder = program_folder;
  context.settings = settings.get();
  context.clock = &clock;
  brivo::FrmMain window(context);
  if (argc == 4) {
    // Without a window manager nothing maximises: the window then takes the whole screen itself.
    window.setGeometry(window.screen()->availableGeometry());
    window.showMaximized();
  } else {
    window.show();
  }

  window.Command1_Click();
  auto* tabs = window.findChild<QTabBar*>("TabStrip2");
  tabs->setCurrentIndex(brivo::AnalysisTabs::kBacktest);
  window.findChild<QPushButton*>("Command6")->click();  // returns when the back-test is done
  tabs->setCurrentIndex(brivo::AnalysisTabs::kChart);
  int status = 0;
  QTimer::singleShot(1500, &app, [&] {
    const QString out = QString::fromLocal8Bit(argv[2]);
    QString saved = out;
    saved.replace(QRegularExpression("\\.png$"), "-saved.png");
    if (!window.screen()->grabWindow(0).save(out, "PNG") ||
        !window.findChild<brivo::ChartPage*>()->Image().save(saved, "PNG")) {
      status = 1;
    }
    app.quit();
  });
  app.exec();
  if (status == 0) std::printf("%s\n", argv[2]);
  if (status != 0) std::fprintf(stderr, "chart_screenshot: cannot save %s\n", argv[2]);
  return status;
}
