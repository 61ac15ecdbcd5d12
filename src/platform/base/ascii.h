#pragma once

#include <string>
#include <string_view>

// Case folding of ASCII letters only; every other byte (UTF-8 included) stays as it is.
namespace brivo {

// The text with A..Z turned into a..z.
std::string AsciiLower(std::string_view text);

// Whether the texts are equal once A..Z are folded to a..z.
bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Whether the text ends with `end`, A..Z folded to a..z.
bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view end);

}  // namespace brivo
