#include "acquire/truncation.h"

#include <charconv>

#include "acquire/draw_line.h"
#include "platform/base/file_util.h"

namespace brivo::acquire {

Status CollectDrawsUpTo(Recordset& snapshot, std::int64_t limit, std::vector<ParsedDraw>* out) {
  std::vector<ParsedDraw> draws;
  if (snapshot.MoveFirst().ok()) {
    // A move can only fail at the end, which IsEof ends the loop at.
    for (; !snapshot.IsEof(); (void)snapshot.MoveNext()) {
      std::int64_t issue = 0;
      if (Status s = snapshot.GetInt("SQQH", &issue); !s.ok()) return s;
      if (issue > limit) break;
      ParsedDraw draw;
      draw.issue = static_cast<std::int32_t>(issue);
      for (int p = 1; p <= store::kPositionCount; ++p) {
        std::int64_t number = 0;
        if (Status s =
                snapshot.GetInt(store::ColumnName(p, store::Kind::kHm, store::kOwn), &number);
            !s.ok()) {
          return s;
        }
        draw.numbers[static_cast<std::size_t>(p - 1)] = static_cast<int>(number);
      }
      draws.push_back(draw);
    }
  }
  *out = std::move(draws);
  return Status::Ok();
}

Status WriteScratchFile(const std::string& path, const std::vector<ParsedDraw>& draws) {
  std::string text;
  text.reserve(draws.size() * 31);
  for (const ParsedDraw& d : draws) text += FormatDrawLine(d.issue, d.numbers) + "\r\n";
  return WriteFileAtomically(path, text);
}

std::int32_t ParsePositiveAnswer(const std::optional<std::string>& answer) {
  if (!answer) return 0;
  std::string_view text = *answer;
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  if (text.empty()) return 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
  }
  std::int32_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return 0;
  return value;
}

}  // namespace brivo::acquire
