// String tables become blocks of 16 counted strings, as the original platform stores them.
#include "support/platform/tzrc/resource_set.h"

#include <cstring>

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

}  // namespace

void ResourceSet::addString(uint16_t language, int64_t id, std::u16string text,
                            const SourcePlace& place) {
  if (id < 0 || id > 0xFFFF)
    throw ScriptError(place, "string id " + std::to_string(id) + " is outside 0..65535");
  if (text.size() > 0xFFFF) throw ScriptError(place, "string longer than 65535 characters");
  auto& table = strings_[language];
  const auto [existing, added] =
      table.try_emplace(static_cast<uint16_t>(id), Definition{std::move(text), place});
  if (!added)
    throw ScriptError(place, "string id " + std::to_string(id) + " is defined twice for language " +
                                 hex4(language) + " (first at " + existing->second.place.file +
                                 ":" + std::to_string(existing->second.place.line) + ")");
}

std::vector<uint8_t> ResourceSet::build() const {
  struct Block {
    uint16_t number;
    uint16_t language;
    std::vector<uint8_t> data;
  };
  std::map<std::pair<uint16_t, uint16_t>, Block> blocks;  // block number, language
  for (const auto& [language, table] : strings_) {
    for (const auto& [id, definition] : table) {
      const auto number = static_cast<uint16_t>(id / platform::kStringsPerBlock + 1);
      blocks.try_emplace({number, language}, Block{number, language, {}});
    }
    for (auto& [key, block] : blocks) {
      if (key.second != language || !block.data.empty()) continue;
      for (unsigned index = 0; index < platform::kStringsPerBlock; ++index) {
        const auto found = table.find(
            static_cast<uint16_t>((block.number - 1) * platform::kStringsPerBlock + index));
        const std::u16string empty;
        const std::u16string& text = found != table.end() ? found->second.text : empty;
        append(block.data, static_cast<uint16_t>(text.size()));
        for (char16_t c : text) append(block.data, c);
      }
    }
  }

  std::vector<uint8_t> bytes;
  append(bytes, platform::ResourceDirectoryHeader{platform::kResourceMagic,
                                                  static_cast<uint32_t>(blocks.size())});
  uint32_t offset = static_cast<uint32_t>(sizeof(platform::ResourceDirectoryHeader) +
                                          blocks.size() * sizeof(platform::ResourceEntry));
  for (const auto& [key, block] : blocks) {
    append(bytes, platform::ResourceEntry{platform::kResourceTypeString, block.number,
                                          block.language, 0, offset,
                                          static_cast<uint32_t>(block.data.size())});
    offset += (static_cast<uint32_t>(block.data.size()) + 3u) & ~3u;
  }
  for (const auto& [key, block] : blocks) {
    bytes.insert(bytes.end(), block.data.begin(), block.data.end());
    bytes.resize((bytes.size() + 3u) & ~size_t{3});
  }
  return bytes;
}

}  // namespace tz::tzrc
