#include "testing/offscreen_screens.h"

#include <gtest/gtest.h>
#include <qpa/qplatformnativeinterface.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QJsonArray>

namespace brivo::testing {
namespace {

// The offscreen platform's own interface to its configuration (Qt 6.4: qoffscreencommon.cpp).
using GetConfiguration = QJsonObject (*)(QPlatformNativeInterface*);
using SetConfiguration = void (*)(const QJsonObject&, QPlatformNativeInterface*);

template <typename F>
F Function(const char* name) {
  QPlatformNativeInterface* native = QGuiApplication::platformNativeInterface();
  if (QGuiApplication::platformName() != QLatin1String("offscreen") || native == nullptr) {
    return nullptr;
  }
  return reinterpret_cast<F>(native->nativeResourceForIntegration(name));
}

void Apply(const QJsonObject& configuration) {
  const auto set = Function<SetConfiguration>("setConfiguration");
  if (set == nullptr) {
    ADD_FAILURE() << "the screens can be set only on the offscreen platform";
    return;
  }
  set(configuration, QGuiApplication::platformNativeInterface());
  QCoreApplication::processEvents();
}

}  // namespace

OffscreenScreens::OffscreenScreens(const std::vector<OffscreenScreen>& screens) {
  if (const auto get = Function<GetConfiguration>("configuration")) {
    before_ = get(QGuiApplication::platformNativeInterface());
  }
  QJsonArray list;
  for (const OffscreenScreen& screen : screens) {
    list.append(QJsonObject{{"name", screen.name},
                            {"x", screen.geometry.x()},
                            {"y", screen.geometry.y()},
                            {"width", screen.geometry.width()},
                            {"height", screen.geometry.height()},
                            {"logicalDpi", qRound(96 * screen.scale)},
                            {"logicalBaseDpi", 96},
                            {"dpr", 1.0}});
  }
  QJsonObject configuration = before_;
  configuration["screens"] = list;
  Apply(configuration);
}

OffscreenScreens::~OffscreenScreens() {
  if (!before_.isEmpty()) Apply(before_);
}

}  // namespace brivo::testing
