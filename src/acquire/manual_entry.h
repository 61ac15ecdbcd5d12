#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "store/draw_record.h"

// The newest draw as typed into the seven entry boxes and the issue box.
namespace brivo::acquire {

struct ManualDraw {
  std::int32_t issue = 0;
  store::DrawNumbers numbers{};
};

// Checks what the boxes show (prompt characters included): six red numbers 01..33, all
// different, a blue one 01..16, every box holding two digits, and an issue box holding a
// 7-digit issue above the newest stored one. Returns the draw, or nullopt with a short reason
// for the status bar in *problem.
std::optional<ManualDraw> CheckManualEntry(const std::array<std::string, 7>& boxes,
                                           const std::string& issue_text, std::int64_t newest_issue,
                                           std::string* problem);

}  // namespace brivo::acquire
