#pragma once

#include "platform/base/launcher.h"

namespace brivo {

// The desktop's own file and address handlers.
class DesktopLauncher final : public Launcher {
 public:
  bool OpenFile(const std::string& path) override;
  bool OpenAddress(const std::string& url) override;
};

}  // namespace brivo
