#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>
#include <optional>
#include <vector>

#include "platform/base/settings_store.h"

// Where the main window opens: at the size it prefers where that fits the screen's work area,
// else maximised; where the user left it, as long as that still lies on a screen.
namespace brivo {

struct WindowPlacement {
  QRect geometry;  // the window without its frame, in logical pixels (its normal geometry)
  bool maximised = false;

  bool operator==(const WindowPlacement&) const = default;
};

// The placement to open with. `frame` is what the window system adds around the window;
// `work_areas` are the screens' work areas (without task bars), the primary screen's first.
// A saved placement is taken when its frame, grown to the minimum size, lies wholly within one
// work area; otherwise the window opens on the primary screen: centred at the preferred size
// where that fits, else maximised (with a normal geometry that fits).
// REQUIRES: work_areas is not empty.
WindowPlacement PlaceWindow(QSize preferred, QSize minimum, QMargins frame,
                            const std::optional<WindowPlacement>& saved,
                            const std::vector<QRect>& work_areas);

// The placement kept in the settings (window_settings.h), or nullopt when one of its keys is
// missing or out of range.
std::optional<WindowPlacement> ReadWindowPlacement(const SettingsStore& settings);
void SaveWindowPlacement(const WindowPlacement& placement, SettingsStore* settings);

}  // namespace brivo
