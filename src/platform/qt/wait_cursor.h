#pragma once

namespace brivo {

// Shows the wait cursor (the hourglass) for as long as it lives, so that a command that fails
// half-way still gives the pointer back.
class WaitCursor {
 public:
  WaitCursor();
  ~WaitCursor();
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace brivo
