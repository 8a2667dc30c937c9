// The shape every stand-in's command line shares: options by name, flags alone, values as
// "--name VALUE" or "--name=VALUE". The walk only splits; each program reads its own values.
#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tz::standin {

struct OptionNames {
  std::span<const std::string_view> flags;   // options without a value
  std::span<const std::string_view> valued;  // options with one value
};

// Takes an option and its value (empty for a flag); returns an error line, empty when fine.
using OptionSink = std::function<std::string(std::string_view name, std::string_view value)>;

// Hands args in order to apply until one fails or finished() holds after an option. Returns
// the first error in one line without the program name; empty when every option was taken.
std::string walkOptions(std::span<const std::string_view> args, const OptionNames& names,
                        const OptionSink& apply, const std::function<bool()>& finished);

}  // namespace tz::standin
