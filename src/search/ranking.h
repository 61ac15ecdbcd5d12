#pragma once

#include <cstdint>
#include <string>

// How the ranking shows a count.
namespace brivo::search {

// count * 100 / total with three decimals, rounded half away from zero, followed by "%";
// "" when the total is 0.
std::string Percentage(std::int64_t count, std::int64_t total);

}  // namespace brivo::search
