// Suggestions for misspelt names.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace modhost {

size_t editDistance(std::string_view a, std::string_view b);

// The candidate nearest to `name`, or "" when there is none close enough to
// be a likely misspelling.
std::string closestName(std::string_view name, const std::vector<std::string>& candidates);

// "; did you mean "x"?" for the closest candidate, or "".
std::string didYouMean(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace modhost
