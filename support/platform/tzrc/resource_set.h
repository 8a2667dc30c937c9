// The resources that scripts define, gathered by language, and the directory built from them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "support/platform/tzrc/script_reader.h"

namespace tz::tzrc {

class ResourceSet {
 public:
  static constexpr size_t kMaxStringLength = 0xFFFF;  // a string's length is a 16-bit count
  // All string tables together, so that memory stays bounded however a script varies them.
  static constexpr size_t kMaxStrings = size_t{1} << 19;
  static constexpr size_t kMaxCharacters = size_t{1} << 23;
  static constexpr size_t kMaxDataBytes = size_t{1} << 24;  // all other resources together

  // Adds a string-table entry; an id defined twice in one language is an error at place, and
  // so is one past the limits.
  void addString(uint16_t language, int64_t id, std::u16string text, const SourcePlace& place);
  // Adds a resource of type (a dialog, 5, or raw data, 10) under a numeric name; a name defined
  // twice in one type and language is an error at place, and so is data past the limit.
  void addData(uint16_t type, uint16_t language, int64_t id, std::vector<uint8_t> bytes,
               const SourcePlace& place);
  bool empty() const { return strings_.empty() && data_.empty(); }
  // The resource directory: header, entries ordered by type, name and language, then the data.
  std::vector<uint8_t> build() const;
  // The same resources as a 32-bit resource file (.res), the form the original platform's
  // linkers take: an empty record, then a record per resource in the directory's order, each
  // header (size, header size, type and name as numbers, version, memory flags, language,
  // version, characteristics) followed by its data, both 4-byte aligned.
  std::vector<uint8_t> buildResFile() const;

 private:
  // Each string-table block's data by block number and language.
  using StringBlocks = std::map<std::pair<uint16_t, uint16_t>, std::vector<uint8_t>>;
  struct Placed {
    uint16_t type, name, language;
    const std::vector<uint8_t>* data;
    bool operator<(const Placed& other) const {
      return std::tie(type, name, language) < std::tie(other.type, other.name, other.language);
    }
  };
  StringBlocks stringBlocks() const;
  // Every resource, ordered by type, name and language; blocks holds the string tables' data.
  std::vector<Placed> placed(const StringBlocks& blocks) const;

  struct Definition {
    std::u16string text;
    SourcePlace place;
  };
  struct Data {
    std::vector<uint8_t> bytes;
    SourcePlace place;
  };
  std::map<uint16_t, std::map<uint16_t, Definition>> strings_;     // language, id
  std::map<std::tuple<uint16_t, uint16_t, uint16_t>, Data> data_;  // type, name, language
  size_t count_ = 0;
  size_t characters_ = 0;
  size_t dataBytes_ = 0;
};

// Reads every statement of a script into resources.
void parseScript(ScriptReader& reader, ResourceSet& resources);

}  // namespace tz::tzrc
