#include "acquire/draw_source.h"

#include <algorithm>

#include "platform/web/html_tables.h"

namespace brivo::acquire {
namespace {

constexpr std::size_t kMostRowsAYear = 365;

// The characters (code points) of UTF-8 text, as byte offsets; invalid bytes count one each.
std::vector<std::size_t> CharacterStarts(const std::string& text) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size();) {
    starts.push_back(i);
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t size = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    for (std::size_t k = 1; k < size; ++k) {
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) {
        size = 1;
        break;
      }
    }
    i += size;
  }
  return starts;
}

// The two-digit number at character index c (0-based), or -1.
int TwoDigitsAt(const std::string& text, const std::vector<std::size_t>& starts, std::size_t c) {
  if (c + 1 >= starts.size()) return -1;
  const char a = text[starts[c]];
  const char b = text[starts[c + 1]];
  if (a < '0' || a > '9' || b < '0' || b > '9') return -1;
  return (a - '0') * 10 + (b - '0');
}

}  // namespace

bool IsValidDraw(const store::DrawNumbers& numbers) {
  for (std::size_t k = 0; k < 6; ++k) {
    if (numbers[k] < 1 || numbers[k] > 33) return false;
    if (std::find(numbers.begin(), numbers.begin() + static_cast<std::ptrdiff_t>(k), numbers[k]) !=
        numbers.begin() + static_cast<std::ptrdiff_t>(k)) {
      return false;
    }
  }
  return numbers[6] >= 1 && numbers[6] <= 16;
}

std::vector<store::DrawNumbers> DrawRowsOf(const std::vector<std::string>& table_bodies) {
  std::vector<store::DrawNumbers> rows;
  for (const std::string& text : table_bodies) {
    if (rows.size() == kMostRowsAYear) break;
    const std::vector<std::size_t> starts = CharacterStarts(text);
    if (starts.size() < 16 || starts.size() > 20 || text[starts[12]] != ' ') continue;
    store::DrawNumbers numbers{};
    bool valid = true;
    for (std::size_t k = 0; k < 7; ++k) {
      const int n = TwoDigitsAt(text, starts, k < 6 ? 2 * k : 13);
      valid = valid && n >= 1 && n <= (k < 6 ? 33 : 16);
      numbers[k] = n;
    }
    rows.push_back(valid ? numbers : store::DrawNumbers{});
  }
  return rows;
}

std::string ResultsPageSource::PageAddress(int year) const {
  const std::string y = std::to_string(year);
  return base_address_ + "/lottery/draw/list/50?type=range&start=" + y + "001&end=" + y + "365";
}

Status ResultsPageSource::YearDraws(int year, std::int32_t, std::vector<SourcedDraw>* draws) {
  draws->clear();
  if (!unreachable_.ok()) return unreachable_;
  std::string page;
  if (Status s = fetcher_.Fetch(PageAddress(year), &page); !s.ok()) {
    unreachable_ = s;
    return s;
  }
  const std::vector<store::DrawNumbers> rows = DrawRowsOf(TableBodyTexts(page));
  for (std::size_t j = 1; j <= rows.size(); ++j) {
    draws->push_back(
        {static_cast<std::int32_t>(year * 1000 + static_cast<int>(j)), rows[rows.size() - j]});
  }
  return Status::Ok();
}

}  // namespace brivo::acquire
