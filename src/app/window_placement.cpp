#include "app/window_placement.h"

#include <algorithm>

#include "app/window_settings.h"

namespace brivo {
namespace {

// Far beyond any desktop, and within what a window system takes.
constexpr int kFarthest = 32000;

bool LiesOnAScreen(const QRect& frame, const std::vector<QRect>& work_areas) {
  return std::any_of(work_areas.begin(), work_areas.end(),
                     [&](const QRect& area) { return area.contains(frame); });
}

}  // namespace

WindowPlacement PlaceWindow(QSize preferred, QSize minimum, QMargins frame,
                            const std::optional<WindowPlacement>& saved,
                            const std::vector<QRect>& work_areas) {
  if (saved) {
    const QRect grown(saved->geometry.topLeft(), saved->geometry.size().expandedTo(minimum));
    if (saved->geometry.isValid() && LiesOnAScreen(grown.marginsAdded(frame), work_areas)) {
      return {grown, saved->maximised};
    }
  }
  const QRect area = work_areas.front();
  const QSize room = area.marginsRemoved(frame).size();
  WindowPlacement placement;
  placement.maximised = preferred.width() > room.width() || preferred.height() > room.height();
  QRect geometry(QPoint(), preferred.boundedTo(room).expandedTo(minimum));
  geometry.moveCenter(area.marginsRemoved(frame).center());
  placement.geometry = geometry;
  return placement;
}

std::optional<WindowPlacement> ReadWindowPlacement(const SettingsStore& settings) {
  constexpr int kMissing = -kFarthest - 1;
  const int left = settings.GetInt(keys::kIntWinLeft, kMissing, -kFarthest, kFarthest);
  const int top = settings.GetInt(keys::kIntWinTop, kMissing, -kFarthest, kFarthest);
  const int width = settings.GetInt(keys::kIntWinWidth, kMissing, 1, kFarthest);
  const int height = settings.GetInt(keys::kIntWinHeight, kMissing, 1, kFarthest);
  if (left == kMissing || top == kMissing || width == kMissing || height == kMissing) {
    return std::nullopt;
  }
  return WindowPlacement{QRect(left, top, width, height),
                         settings.GetBool(keys::kBolWinMax, false)};
}

void SaveWindowPlacement(const WindowPlacement& placement, SettingsStore* settings) {
  settings->SetInt(keys::kIntWinLeft, placement.geometry.x());
  settings->SetInt(keys::kIntWinTop, placement.geometry.y());
  settings->SetInt(keys::kIntWinWidth, placement.geometry.width());
  settings->SetInt(keys::kIntWinHeight, placement.geometry.height());
  settings->SetBool(keys::kBolWinMax, placement.maximised);
}

}  // namespace brivo
