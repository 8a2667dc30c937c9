// Readers for the values the stand-ins' options take: whole numbers, decimals and pairs.
// Locale-independent; each takes the whole text or fails.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace tz::standin {

std::optional<uint64_t> readUnsigned(std::string_view text, uint64_t min, uint64_t max);
std::optional<int64_t> readSigned(std::string_view text, int64_t min, int64_t max);
// A finite decimal such as "2.5" within [min, max].
std::optional<double> readDecimal(std::string_view text, double min, double max);

// Splits "a:b" at the first ':'; empty when there is none.
std::optional<std::pair<std::string_view, std::string_view>> splitPair(std::string_view text);

}  // namespace tz::standin
