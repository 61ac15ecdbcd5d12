#include "store/attributes.h"

#include <algorithm>
#include <limits>

namespace brivo::store {

const std::array<std::string, 12> kAnimalNames = {"鼠", "牛", "虎", "兔", "龙", "蛇",
                                                  "马", "羊", "猴", "鸡", "狗", "猪"};

const std::array<std::string, 12> kBaseGroups = {
    "01、13、25、37、49", "02、14、26、38", "03、15、27、39", "04、16、28、40",
    "05、17、29、41",     "06、18、30、42", "07、19、31、43", "08、20、32、44",
    "09、21、33、45",     "10、22、34、46", "11、23、35、47", "12、24、36、48"};

namespace {

constexpr int kFirstBoundaryYear = 2001;
// Entries for 2001..2016; every other year of the 0..2096 table is 0.
constexpr std::array<int, 16> kBoundaryEntries = {7,  11, 9,  7, 16, 12, 21, 15,
                                                  10, 19, 16, 9, 16, 13, 21, 16};
constexpr int kLastTableYear = 2096;

// 1972 is a 鼠 year, so index 0 of the animal cycle.
constexpr std::int64_t kCycleOrigin = 1972;

// C++ % keeps the dividend's sign; years before the origin must still land in 0..11. 64-bit so
// that no int input can overflow on the way.
int Mod12(std::int64_t x) { return static_cast<int>(((x % 12) + 12) % 12); }

// Saturates instead of wrapping so that out-of-range input gives a recognisable extreme rather
// than an arbitrary small number.
std::int16_t Clamp16(std::int64_t v) {
  return static_cast<std::int16_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int16_t>::min(), std::numeric_limits<std::int16_t>::max()));
}

std::string TwoDigits(int n) {
  std::string s(2, '0');
  s[0] = static_cast<char>('0' + n / 10);
  s[1] = static_cast<char>('0' + n % 10);
  return s;
}

}  // namespace

// A fresh table behaves as reference year 0: the groups are filled, so GroupOf answers for
// 1..49, while every code stays 0 until ComputeCodes is called.
ZodiacTables::ZodiacTables() { SetZodiacYear(0); }

int ZodiacTables::BoundaryEntry(int year) {
  if (year < 0 || year > kLastTableYear) return 0;
  const int i = year - kFirstBoundaryYear;
  if (i < 0 || i >= static_cast<int>(kBoundaryEntries.size())) return 0;
  return kBoundaryEntries[static_cast<std::size_t>(i)];
}

int ZodiacTables::ZodiacYearOf(std::int32_t issue) {
  // Division and remainder of an int32 by 1000 cannot overflow, and negative issues simply give
  // years without a boundary entry.
  int year = issue / 1000;
  const int seq = issue % 1000;
  if (seq <= BoundaryEntry(year)) --year;
  return year;
}

void ZodiacTables::SetZodiacYear(int year) {
  reference_year_ = year;
  for (int k = 0; k < 12; ++k) {
    groups_[static_cast<std::size_t>(k)] =
        kBaseGroups[static_cast<std::size_t>(Mod12(std::int64_t{year} - kCycleOrigin - k))];
  }
  // Derived by the same text search GroupOf promises, so the fast path can never disagree with
  // the group texts.
  group_of_number_.fill(-1);
  for (int n = 1; n < static_cast<int>(group_of_number_.size()); ++n) {
    const std::string needle = TwoDigits(n);
    for (int k = 0; k < 12; ++k) {
      if (groups_[static_cast<std::size_t>(k)].find(needle) != std::string::npos) {
        group_of_number_[static_cast<std::size_t>(n)] = static_cast<std::int8_t>(k);
        break;
      }
    }
  }
}

void ZodiacTables::ComputeCodes(int sx_ini, bool sx_setup) {
  for (int k = 0; k < 12; ++k) {
    const std::int64_t offset =
        sx_setup ? k : Mod12(std::int64_t{reference_year_} - kCycleOrigin - k);
    codes_[static_cast<std::size_t>(k)] = Clamp16(offset + sx_ini);
  }
}

int ZodiacTables::GroupOf(int n) const {
  if (n < 1 || n >= static_cast<int>(group_of_number_.size())) return -1;
  return group_of_number_[static_cast<std::size_t>(n)];
}

std::string AnimalName(int code, int sx_ini) {
  const std::int64_t i = std::int64_t{code} - sx_ini;
  if (i < 0 || i >= static_cast<std::int64_t>(kAnimalNames.size())) return "";
  return kAnimalNames[static_cast<std::size_t>(i)];
}

// Any position other than the blue one is read as red. Arithmetic is 64-bit and each value is
// saturated to int16, so out-of-range n (which callers are meant to reject) yields the same
// formulas clamped rather than overflow.
ByKind<std::int16_t> AttributesOf(int n, int position, const ZodiacTables& tables, int ds_ini) {
  const std::int64_t v = n;
  const int group = tables.GroupOf(n);
  const std::int16_t sx =
      group < 0 ? std::int16_t{0} : tables.codes()[static_cast<std::size_t>(group)];
  const std::int64_t tou = v / 10;
  const std::int64_t wei = v % 10;
  const std::int64_t segment = position == kBluePosition ? 2 : 3;
  ByKind<std::int16_t> a{};
  a[Kind::kHm] = Clamp16(v);
  a[Kind::kSx] = sx;
  a[Kind::kTou] = Clamp16(tou);
  a[Kind::kWei] = Clamp16(wei);
  a[Kind::kHe] = Clamp16(tou + wei);
  a[Kind::kDs] = Clamp16((v - 1) / segment + ds_ini);
  return a;
}

}  // namespace brivo::store
