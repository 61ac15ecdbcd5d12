#pragma once

#include <map>
#include <vector>

#include "search/criteria.h"
#include "store/attributes.h"

// How likely a draw owing nothing to the past holds a value: the baseline the omission table and
// the back-test measure against.
namespace brivo::search {

// The offsets of the attributes in use.
struct NumberCoding {
  int sx_ini = 1;
  int ds_ini = 1;
};

class ChanceModel {
 public:
  // `zodiac`: the tables in use, whose code table gives each zodiac group its code, whatever the
  // year it was computed for; each draw's own year decides which numbers form each group.
  ChanceModel(const store::ZodiacTables& zodiac, const NumberCoding& coding);

  const NumberCoding& coding() const { return coding_; }
  // The probability that a random draw of zodiac year `year` holds v of `kind` at one of the
  // positions of `scope`: for the reds 1 - C(33-m, 6)/C(33, 6) where m
  // of the numbers 1..33 have the value, for the blue m/16 where m of 1..16 have it, and for
  // both 1 - (1 - red)(1 - blue).
  double Probability(int year, store::Kind kind, ResultScope scope, int v);

 private:
  // How many numbers have each value: per kind, for the reds and for the blue.
  struct ValueCounts {
    store::ByKind<std::map<int, int>> red;
    store::ByKind<std::map<int, int>> blue;
  };
  const ValueCounts& CountsOf(int year);

  NumberCoding coding_;
  store::ZodiacTables tables_;
  std::map<int, ValueCounts> by_year_;
};

// 1 - C(33 - m, 6) / C(33, 6): the chance that six reds of 33 include one of m given numbers.
double RedChance(int m);

}  // namespace brivo::search
