// The print-token registry under any sequence of adds, deletes and references: it agrees with
// a plain map of the same names, and a reference writes the value or itself unchanged.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "support/platform/text_case.h"
#include "support/time/locale_separators.h"
#include "support/ui/print_tokens.h"
#include "support/ui/print_writer.h"

namespace {

struct WithoutCase {
  bool operator()(const std::u16string& a, const std::u16string& b) const {
    return tz::platform::compareWithoutCase(a, b) < 0;
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Every run starts from the library's own tokens alone, and ends by deleting all it knows.
  std::map<std::u16string, std::u16string, WithoutCase> model;
  for (const tz::time::LibrarySeparator& separator : tz::time::librarySeparators()) {
    tz::ui::addPrintToken(separator.token, separator.text);
    model.emplace(separator.token, separator.text);
  }
  tz::ui::addPrintToken(u"AppName", tz::ui::kDefaultAppName);
  model.emplace(u"AppName", tz::ui::kDefaultAppName);
  std::u16string units(size / 2, u'\0');
  std::memcpy(units.data(), data, units.size() * 2);
  const size_t count = units.size();
  // Each operation: a code unit whose low bits pick it, then a name and a value ended by 0.
  for (size_t i = 0; i < count;) {
    const unsigned op = units[i++] % 3;
    std::u16string name, value;
    while (i < count && units[i] != 0) name += units[i++];
    ++i;
    while (i < count && units[i] != 0) value += units[i++];
    ++i;
    if (op == 0) {
      if (!tz::ui::addPrintToken(name, value)) std::abort();
      model.erase(name);
      model.emplace(name, value);
    } else if (op == 1) {
      if (tz::ui::deletePrintToken(name) != (model.erase(name) == 1)) std::abort();
    }
    char16_t out[600];
    const std::u16string reference = u"$(" + name + u")";
    const size_t n = tz::ui::printF(out, 600, reference);
    const auto found = model.find(name);
    const bool plain = name.size() <= 260 && name.find(u')') == std::u16string::npos &&
                       !name.empty() && (name[0] < u'0' || name[0] > u'9') && name[0] != u'-' &&
                       name[0] != u'.';
    if (plain && found != model.end() && found->second.size() < 600 &&
        std::u16string(out, n) != found->second)
      std::abort();
    if (plain && found == model.end() && reference.size() < 600 &&
        std::u16string(out, n) != reference)
      std::abort();
  }
  for (const auto& [name, value] : model) tz::ui::deletePrintToken(name);
  return 0;
}
