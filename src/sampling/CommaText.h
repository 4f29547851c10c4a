#pragma once
// Text forms of settings values: the comma-separated list of the exclusion setting,
// and the trimming of entered and stored values.

#include <string>
#include <string_view>
#include <vector>

namespace dravel {

// Entries are separated by commas and by runs of blanks (any character up to and
// including the space) outside double quotes; a quoted entry may hold blanks and commas,
// a doubled quote inside it standing for one; a comma that ends the text adds an empty
// entry. The text ends at a NUL character.
std::vector<std::string> ParseCommaText(std::string_view Text);

// Text without the blanks (any character up to and including the space) at both ends.
std::string TrimBlanks(std::string_view Text);

}  // namespace dravel
