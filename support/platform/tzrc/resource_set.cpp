// String tables become blocks of 16 counted strings, as the original platform stores them;
// other resources are kept as the parser built their bytes.
#include "support/platform/tzrc/resource_set.h"

#include <algorithm>
#include <cstring>

#include "support/platform/dialog_template.h"
#include "support/platform/resource_directory.h"

namespace tz::tzrc {

namespace {

std::string hex4(unsigned value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 15];
  return text;
}

template <typename T>
void append(std::vector<uint8_t>& bytes, const T& value) {
  const auto* raw = reinterpret_cast<const uint8_t*>(&value);
  bytes.insert(bytes.end(), raw, raw + sizeof value);
}

std::string typeName(uint16_t type) {
  return type == 5 ? "DIALOG" : type == 10 ? "RCDATA" : "resource type " + std::to_string(type);
}

}  // namespace

void ResourceSet::addString(uint16_t language, int64_t id, std::u16string text,
                            const SourcePlace& place) {
  if (id < 0 || id > 0xFFFF)
    throw ScriptError(place, "string id " + std::to_string(id) + " is outside 0..65535");
  if (text.size() > kMaxStringLength)
    throw ScriptError(place,
                      "string longer than " + std::to_string(kMaxStringLength) + " characters");
  if (count_ == kMaxStrings)
    throw ScriptError(place, "more than " + std::to_string(kMaxStrings) + " strings");
  if (characters_ + text.size() > kMaxCharacters)
    throw ScriptError(place, "the string tables hold more than " + std::to_string(kMaxCharacters) +
                                 " characters");
  auto& table = strings_[language];
  const auto [existing, added] =
      table.try_emplace(static_cast<uint16_t>(id), Definition{std::move(text), place});
  if (!added)
    throw ScriptError(place, "string id " + std::to_string(id) + " is defined twice for language " +
                                 hex4(language) + " (first at " + existing->second.place.file +
                                 ":" + std::to_string(existing->second.place.line) + ")");
  ++count_;
  characters_ += existing->second.text.size();
}

void ResourceSet::addData(uint16_t type, uint16_t language, int64_t id, std::vector<uint8_t> bytes,
                          const SourcePlace& place) {
  if (id < 0 || id > 0xFFFF)
    throw ScriptError(place, "resource name " + std::to_string(id) + " is outside 0..65535");
  if (dataBytes_ + bytes.size() > kMaxDataBytes)
    throw ScriptError(place, "raw data beyond " + std::to_string(kMaxDataBytes) + " bytes");
  dataBytes_ += bytes.size();
  const auto [existing, added] =
      data_.try_emplace({type, static_cast<uint16_t>(id), language}, Data{std::move(bytes), place});
  if (!added)
    throw ScriptError(place, typeName(type) + " " + std::to_string(id) +
                                 " is defined twice for language " + hex4(language) +
                                 " (first at " + existing->second.place.file + ":" +
                                 std::to_string(existing->second.place.line) + ")");
}

ResourceSet::StringBlocks ResourceSet::stringBlocks() const {
  // Each language's ids in order, block by block, so that the work grows with the strings alone.
  StringBlocks blocks;
  const std::u16string empty;
  for (const auto& [language, table] : strings_) {
    for (auto next = table.begin(); next != table.end();) {
      const unsigned number = next->first / platform::kStringsPerBlock + 1;
      std::vector<uint8_t>& data = blocks[{static_cast<uint16_t>(number), language}];
      for (unsigned id = (number - 1) * platform::kStringsPerBlock;
           id < number * platform::kStringsPerBlock; ++id) {
        const bool defined = next != table.end() && next->first == id;
        const std::u16string& text = defined ? next->second.text : empty;
        append(data, static_cast<uint16_t>(text.size()));
        for (char16_t c : text) append(data, c);
        if (defined) ++next;
      }
    }
  }
  return blocks;
}

std::vector<ResourceSet::Placed> ResourceSet::placed(const StringBlocks& blocks) const {
  std::vector<Placed> entries;
  for (const auto& [key, data] : blocks)
    entries.push_back({platform::kResourceTypeString, key.first, key.second, &data});
  for (const auto& [key, data] : data_)
    entries.push_back({std::get<0>(key), std::get<1>(key), std::get<2>(key), &data.bytes});
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::vector<uint8_t> ResourceSet::build() const {
  const StringBlocks blocks = stringBlocks();
  const std::vector<Placed> entries = placed(blocks);
  std::vector<uint8_t> bytes;
  append(bytes, platform::ResourceDirectoryHeader{platform::kResourceMagic,
                                                  static_cast<uint32_t>(entries.size())});
  uint32_t offset = static_cast<uint32_t>(sizeof(platform::ResourceDirectoryHeader) +
                                          entries.size() * sizeof(platform::ResourceEntry));
  for (const Placed& entry : entries) {
    append(bytes, platform::ResourceEntry{entry.type, entry.name, entry.language, 0, offset,
                                          static_cast<uint32_t>(entry.data->size())});
    offset += (static_cast<uint32_t>(entry.data->size()) + 3u) & ~3u;
  }
  for (const Placed& entry : entries) {
    bytes.insert(bytes.end(), entry.data->begin(), entry.data->end());
    bytes.resize((bytes.size() + 3u) & ~size_t{3});
  }
  return bytes;
}

std::vector<uint8_t> ResourceSet::buildResFile() const {
  const StringBlocks blocks = stringBlocks();
  std::vector<uint8_t> bytes;
  const auto record = [&bytes](const Placed& entry, uint16_t memoryFlags) {
    constexpr uint16_t kNumber = 0xFFFF;  // an ordinal follows, not a UTF-16 name
    append(bytes, static_cast<uint32_t>(entry.data->size()));
    append(bytes, uint32_t{32});  // this header: numeric type and name need no padding
    for (uint16_t word : {kNumber, entry.type, kNumber, entry.name}) append(bytes, word);
    append(bytes, uint32_t{0});  // data version
    append(bytes, memoryFlags);
    append(bytes, entry.language);
    append(bytes, uint32_t{0});  // version
    append(bytes, uint32_t{0});  // characteristics
    bytes.insert(bytes.end(), entry.data->begin(), entry.data->end());
    bytes.resize((bytes.size() + 3u) & ~size_t{3});
  };
  // The empty record that marks a 32-bit resource file (a 16-bit one starts with 0xFF).
  const std::vector<uint8_t> none;
  record({0, 0, 0, &none}, 0);
  // Moveable, pure and discardable for string tables and dialogs, moveable and pure for the
  // rest: the flags the platform's own compiler gives them.
  for (const Placed& entry : placed(blocks))
    record(entry, entry.type == platform::kResourceTypeString ||
                          entry.type == platform::kResourceTypeDialog
                      ? 0x1030
                      : 0x0030);
  return bytes;
}

}  // namespace tz::tzrc
