#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

// The six readings of a draw number and the zodiac tables they depend on.
namespace brivo::store {

// The six readings of a number: 号码 生肖 头数 尾数 合数 段数, in the order of the kind index
// that options, settings and columns use.
enum class Kind : std::uint8_t { kHm, kSx, kTou, kWei, kHe, kDs };
inline constexpr int kKindCount = 6;
inline constexpr std::array<Kind, kKindCount> kKinds = {Kind::kHm,  Kind::kSx, Kind::kTou,
                                                        Kind::kWei, Kind::kHe, Kind::kDs};
inline constexpr int kPositionCount = 7;  // 1..6 red, 7 blue
inline constexpr int kBluePosition = 7;

// The kind index 0..5 of a kind, as option arrays and settings number it.
constexpr int KindIndex(Kind kind) { return static_cast<int>(kind); }
// The kind of a kind index; nullopt outside 0..5.
constexpr std::optional<Kind> KindOfIndex(int index) {
  if (index < 0 || index >= kKindCount) return std::nullopt;
  return kKinds[static_cast<std::size_t>(index)];
}

// One value for each kind, indexed by the kind.
template <typename T>
struct ByKind : std::array<T, kKindCount> {
  T& operator[](Kind kind) { return std::array<T, kKindCount>::operator[](At(kind)); }
  const T& operator[](Kind kind) const { return std::array<T, kKindCount>::operator[](At(kind)); }

 private:
  static constexpr std::size_t At(Kind kind) { return static_cast<std::size_t>(kind); }
};

// Column letters by kind (C and D are not used).
inline constexpr ByKind<char> kKindLetters = {{'A', 'B', 'E', 'F', 'G', 'H'}};
// Suffixes of the list columns by kind: txtHisLst + suffix.
inline constexpr ByKind<const char*> kKindNames = {{"Hm", "Sx", "Tou", "Wei", "He", "Ds"}};

// The twelve animals, 1972 being a year of index 0 (鼠).
extern const std::array<std::string, 12> kAnimalNames;
// Base group j: the numbers 1..49 leaving remainder j + 1 when divided by 12 (0 for j = 11),
// as two-digit numbers joined by "、".
extern const std::array<std::string, 12> kBaseGroups;

// The new-year boundary table, the reference zodiac year with its group table, and the zodiac
// code table. Calendar years outside 0..2096 have no boundary entry.
class ZodiacTables {
 public:
  ZodiacTables();

  // Boundary entry of a calendar year: the sequence number of the last draw of that year that
  // still belongs to the previous zodiac year; 0 for years without an entry.
  static int BoundaryEntry(int year);
  // The zodiac year of issue YYYYNNN.
  static int ZodiacYearOf(std::int32_t issue);

  // Makes year the reference zodiac year and rebuilds the group table:
  // group k = base group ((year - 1972 - k) mod 12), a true modulo.
  void SetZodiacYear(int year);
  int reference_year() const { return reference_year_; }
  const std::array<std::string, 12>& groups() const { return groups_; }

  // Rebuilds the code table from the reference year: by order (sx_setup true) code k =
  // sx_ini + k; by age code k = ((reference year - 1972 - k) mod 12) + sx_ini.
  void ComputeCodes(int sx_ini, bool sx_setup);
  const std::array<std::int16_t, 12>& codes() const { return codes_; }

  // The index k of the group that holds number n (two digits); -1 when none does (n outside
  // 1..49).
  int GroupOf(int n) const;

 private:
  int reference_year_ = 0;
  std::array<std::string, 12> groups_;
  std::array<std::int16_t, 12> codes_{};
  std::array<std::int8_t, 50> group_of_number_{};  // derived from groups_, for GroupOf
};

// The animal name of zodiac code c: entry c - sx_ini of the animal table, "" outside it.
std::string AnimalName(int code, int sx_ini);

// The six values of number n at position (1..7). Sx is the code of the group
// holding n, 0 when no group holds it. Ds uses segments of three for the red positions and of
// two for the blue one, plus ds_ini.
ByKind<std::int16_t> AttributesOf(int n, int position, const ZodiacTables& tables, int ds_ini);

}  // namespace brivo::store
