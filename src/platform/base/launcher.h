#pragma once

#include <string>

namespace brivo {

// Opens a file in the desktop's default application for it (a text editor, a spreadsheet
// program) or an address in the browser.
class Launcher {
 public:
  virtual ~Launcher() = default;
  // False when nothing could be started; the caller's work is done either way.
  virtual bool OpenFile(const std::string& path) = 0;
  virtual bool OpenAddress(const std::string& url) = 0;
};

}  // namespace brivo
