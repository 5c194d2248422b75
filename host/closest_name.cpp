#include "host/closest_name.h"

#include <algorithm>
#include <cctype>

namespace modhost {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string closestName(std::string_view name, const std::vector<std::string>& candidates) {
    // Letter case and trailing blanks are the commonest slips in pin names.
    std::string wanted = lower(name);
    // A name cut short ("Lin" for "Linear") means the shortest name it begins.
    const std::string* shortest = nullptr;
    for (const auto& candidate : candidates)
        if (!wanted.empty() && lower(candidate).starts_with(wanted) &&
            (!shortest || candidate.size() < shortest->size()))
            shortest = &candidate;
    if (shortest) return *shortest;
    const std::string* best = nullptr;
    size_t bestDistance = SIZE_MAX;
    for (const auto& candidate : candidates) {
        size_t distance = editDistance(wanted, lower(candidate));
        if (distance < bestDistance) bestDistance = distance, best = &candidate;
    }
    if (best == nullptr) return "";
    size_t tolerance = std::max<size_t>(2, std::max(name.size(), best->size()) / 2);
    return bestDistance <= tolerance ? *best : "";
}

std::string didYouMean(std::string_view name, const std::vector<std::string>& candidates) {
    std::string closest = closestName(name, candidates);
    return closest.empty() ? "" : "; did you mean \"" + closest + "\"?";
}

}  // namespace modhost
