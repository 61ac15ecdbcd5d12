#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "acquire/history_import.h"
#include "platform/db/database.h"

// Cutting the history back: the draws to keep, their scratch file, and reading the answers of
// the two input boxes.
namespace brivo::acquire {

inline constexpr char kScratchFileName[] = "lsbf.txt";

// The draws of the snapshot from its first row on, while the row's issue is at most `limit`.
Status CollectDrawsUpTo(Recordset& snapshot, std::int64_t limit, std::vector<ParsedDraw>* out);

// Writes the draws as lines of the draw line format ended by CRLF, replacing the file whole.
Status WriteScratchFile(const std::string& path, const std::vector<ParsedDraw>& draws);

// An input box's answer as a positive whole number: blanks trimmed, then digits only, within
// 32 bits; anything else (Cancel, empty, letters, "2014016abc", a fraction) gives 0.
std::int32_t ParsePositiveAnswer(const std::optional<std::string>& answer);

}  // namespace brivo::acquire
