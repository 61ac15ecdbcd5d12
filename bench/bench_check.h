#pragma once

#include <cstdio>
#include <cstdlib>

#include "platform/base/status.h"

// A benchmark whose set-up failed would time nothing worth a figure: it stops with the reason.
inline void Check(const brivo::Status& s) {
  if (s.ok()) return;
  std::fprintf(stderr, "benchmark set-up failed: %s\n", s.ToString().c_str());
  std::abort();
}
