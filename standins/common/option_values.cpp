// std::from_chars keeps the readers independent of the locale.
#include "standins/common/option_values.h"

#include <charconv>
#include <cmath>

namespace tz::standin {

namespace {

template <typename Integer>
std::optional<Integer> readInteger(std::string_view text, Integer min, Integer max) {
  Integer value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (value < min || value > max) return {};
  return value;
}

}  // namespace

std::optional<uint64_t> readUnsigned(std::string_view text, uint64_t min, uint64_t max) {
  return readInteger(text, min, max);
}

std::optional<int64_t> readSigned(std::string_view text, int64_t min, int64_t max) {
  return readInteger(text, min, max);
}

std::optional<double> readDecimal(std::string_view text, double min, double max) {
  double value = 0;
  // Fixed notation only: from_chars would otherwise take "inf", "nan" and exponents.
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
  if (!std::isfinite(value) || value < min || value > max) return {};
  return value;
}

std::optional<std::pair<std::string_view, std::string_view>> splitPair(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return {};
  return std::pair{text.substr(0, colon), text.substr(colon + 1)};
}

}  // namespace tz::standin
