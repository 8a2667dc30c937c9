// The resources that scripts define, gathered by language, and the directory built from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/platform/tzrc/script_reader.h"

namespace tz::tzrc {

class ResourceSet {
 public:
  // Adds a string-table entry; an id defined twice in one language is an error at place.
  void addString(uint16_t language, int64_t id, std::u16string text, const SourcePlace& place);
  bool empty() const { return strings_.empty(); }
  // The resource directory: header, entries ordered by type, name and language, then the data.
  std::vector<uint8_t> build() const;

 private:
  struct Definition {
    std::u16string text;
    SourcePlace place;
  };
  std::map<uint16_t, std::map<uint16_t, Definition>> strings_;  // language, id
};

// Reads every statement of a script into resources.
void parseScript(ScriptReader& reader, ResourceSet& resources);

}  // namespace tz::tzrc
