// Where the main window opens and where it was closed.

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <QWindow>

#include "app/frm_main.h"
#include "app/window_placement.h"

namespace brivo {
namespace {

// The size the window's layout was made for.
constexpr QSize kPreferredSize(1280, 800);

}  // namespace

void FrmMain::ShowPlaced() {
  // The window system's frame is known once the window exists (on X11 only once it is shown:
  // there the title bar's height stands for it).
  winId();
  QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
  if (frame.isNull()) frame = QMargins(0, style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0);
  std::vector<QRect> work_areas;
  QScreen* primary = QGuiApplication::primaryScreen();
  work_areas.push_back(primary->availableGeometry());
  for (QScreen* screen : QGuiApplication::screens()) {
    if (screen != primary) work_areas.push_back(screen->availableGeometry());
  }
  const std::optional<WindowPlacement> saved =
      context_.settings != nullptr ? ReadWindowPlacement(*context_.settings) : std::nullopt;
  const WindowPlacement placement = PlaceWindow(
      kPreferredSize, minimumSizeHint().expandedTo(minimumSize()), frame, saved, work_areas);
  setGeometry(placement.geometry);
  if (placement.maximised) {
    showMaximized();
  } else {
    show();
  }
}

void FrmMain::closeEvent(QCloseEvent* event) {
  if (context_.settings != nullptr) {
    SaveWindowPlacement({normalGeometry(), isMaximized()}, context_.settings);
  }
  QMainWindow::closeEvent(event);
}

}  // namespace brivo
