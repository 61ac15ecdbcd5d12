// make_history DRAWS_FILE DATABASE: builds a history database from a file of draw lines, for
// screenshots and trying the window by hand.

#include <cstdio>

#include "testing/history_builder.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_history DRAWS_FILE DATABASE\n");
    return 2;
  }
  const auto draws = brivo::testing::ReadDrawFile(argv[1]);
  const brivo::Status s = brivo::testing::BuildHistory(argv[2], draws);
  if (!s.ok()) {
    std::fprintf(stderr, "make_history: %s\n", s.ToString().c_str());
    return 1;
  }
  std::printf("%zu draws written to %s\n", draws.size(), argv[2]);
  return 0;
}
