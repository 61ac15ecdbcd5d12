#pragma once

#include <string>
#include <vector>

#include "platform/base/launcher.h"

namespace brivo::testing {

// Records what would have been opened; a desktop opener cannot be reached here.
class RecordingLauncher final : public Launcher {
 public:
  bool OpenFile(const std::string& path) override {
    files.push_back(path);
    return true;
  }
  bool OpenAddress(const std::string& url) override {
    addresses.push_back(url);
    return true;
  }
  std::vector<std::string> files;
  std::vector<std::string> addresses;
};

}  // namespace brivo::testing
