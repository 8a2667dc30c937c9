#include "standins/common/command_line.h"

#include <algorithm>

namespace tz::standin {
namespace {

bool listed(std::span<const std::string_view> list, std::string_view name) {
  return std::find(list.begin(), list.end(), name) != list.end();
}

}  // namespace

std::string walkOptions(std::span<const std::string_view> args, const OptionNames& names,
                        const OptionSink& apply, const std::function<bool()>& finished) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      return "unexpected argument '" + std::string(arg) + "'; see --help";
    }
    const size_t equals = arg.find('=');
    const std::string_view name = arg.substr(0, equals);
    const bool flag = listed(names.flags, name);
    if (!flag && !listed(names.valued, name)) {
      return "unknown option '" + std::string(name) + "'; see --help";
    }
    std::string_view value;
    if (equals != std::string_view::npos) {
      if (flag) return std::string(name) + " takes no value";
      value = arg.substr(equals + 1);
    } else if (!flag) {
      if (i + 1 >= args.size()) return std::string(name) + " needs a value; see --help";
      value = args[++i];
    }
    std::string error = apply(name, value);
    if (!error.empty()) return error;
    if (finished()) break;
  }
  return {};
}

}  // namespace tz::standin
