#pragma once

#include <QJsonObject>
#include <QRect>
#include <QString>
#include <vector>

namespace brivo::testing {

// A screen of Qt's offscreen platform: its geometry in device pixels and its scale (1.5 for
// Windows' 150 %), which makes its logical size the geometry's divided by the scale.
struct OffscreenScreen {
  QString name;
  QRect geometry;
  double scale = 1.0;
};

// Gives the offscreen platform these screens, the primary one first, for as long as it lives;
// then the screens it had. Fails the test when the platform is not the offscreen one.
class OffscreenScreens {
 public:
  explicit OffscreenScreens(const std::vector<OffscreenScreen>& screens);
  ~OffscreenScreens();
  OffscreenScreens(const OffscreenScreens&) = delete;
  OffscreenScreens& operator=(const OffscreenScreens&) = delete;

 private:
  QJsonObject before_;
};

}  // namespace brivo::testing
