// The key file: a key's values as lines of text that a person can read and edit, e.g.
//   tz-registry key 1
//   @="default value"
//   "Device Path"="/opt/loopra/LoopraReWire.so"
//   "ExtraChannels"=dword:00000002
//   "B7"=hex:01,02,ff
//   "Z7"=multi:"one","two"
//   "Odd"=hex(1):41,00
// Strings escape \ " and control characters (\xHH). Data that the readable forms cannot
// carry exactly (a string without terminator, a DWORD of other than 4 bytes, any other type)
// is kept as hex(type), so that every value reads back byte for byte.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "support/platform/posix/registry_internal.h"

namespace tz::platform::registry {

namespace {

constexpr std::string_view Header = "tz-registry key 1";

void appendQuoted(std::string_view text, std::string& out) {
  out += '"';
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b == '\\' || b == '"') {
      out += '\\';
      out += ch;
    } else if (b < 0x20 || b == 0x7F) {
      char escaped[5];
      snprintf(escaped, sizeof escaped, "\\x%02x", b);
      out += escaped;
    } else {
      out += ch;
    }
  }
  out += '"';
}

void appendHex(std::string_view data, std::string& out) {
  for (size_t i = 0; i < data.size(); ++i) {
    char byte[4];
    snprintf(byte, sizeof byte, i ? ",%02x" : "%02x", static_cast<unsigned char>(data[i]));
    out += byte;
  }
}

bool endsWithNulUnit(std::string_view data) {
  return data.size() >= 2 && data.size() % 2 == 0 && data[data.size() - 1] == 0 &&
         data[data.size() - 2] == 0;
}

// The items of a list "a\0b\0\0"; "\0" alone is the empty list, "\0\0" one empty item.
bool multiStringItems(std::string_view data, std::vector<std::string>& items) {
  if (!endsWithNulUnit(data)) return false;
  data.remove_suffix(2);
  if (data.empty()) return true;
  if (!endsWithNulUnit(data)) return false;
  for (size_t start = 0; start < data.size();) {
    size_t end = start;
    while (data[end] != 0 || data[end + 1] != 0) end += 2;
    if (!utf16ToUtf8(data.substr(start, end - start), items.emplace_back())) return false;
    start = end + 2;
  }
  return true;
}

void appendData(const Value& value, std::string& out) {
  std::string text;
  std::vector<std::string> items;
  const std::string_view data = value.data;
  const auto type = static_cast<RegistryType>(value.type);
  if (type == RegistryType::String && endsWithNulUnit(data) &&
      utf16ToUtf8(data.substr(0, data.size() - 2), text)) {
    appendQuoted(text, out);
  } else if (type == RegistryType::Dword && data.size() == 4) {
    char number[16];
    uint32_t dword;
    memcpy(&dword, data.data(), 4);  // stored little-endian, as this machine reads it
    snprintf(number, sizeof number, "dword:%08x", static_cast<unsigned>(dword));
    out += number;
  } else if (type == RegistryType::MultiString && multiStringItems(data, items)) {
    out += "multi:";
    for (size_t i = 0; i < items.size(); ++i) {
      if (i) out += ',';
      appendQuoted(items[i], out);
    }
  } else {
    char prefix[20];
    snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    out += type == RegistryType::Binary ? "hex:" : prefix;
    appendHex(data, out);
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads one line of the file.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  void skipBlanks() {
    while (pos_ < line_.size() && (line_[pos_] == ' ' || line_[pos_] == '\t')) ++pos_;
  }
  bool atEnd() {
    skipBlanks();
    return pos_ == line_.size();
  }
  bool take(std::string_view word) {
    if (line_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }
  bool next(char c) { return pos_ < line_.size() && line_[pos_] == c; }

  // Between 1 and 8 hex digits.
  bool number(uint32_t& n) {
    size_t digits = 0;
    for (n = 0; pos_ < line_.size() && hexDigit(line_[pos_]) >= 0; ++pos_, ++digits)
      n = n << 4 | static_cast<uint32_t>(hexDigit(line_[pos_]));
    return digits >= 1 && digits <= 8;
  }

  bool bytes(std::string& data) {
    if (atEnd()) return true;
    do {
      if (pos_ + 2 > line_.size() || hexDigit(line_[pos_]) < 0 || hexDigit(line_[pos_ + 1]) < 0)
        return false;
      data += static_cast<char>(hexDigit(line_[pos_]) * 16 + hexDigit(line_[pos_ + 1]));
      pos_ += 2;
    } while (take(","));
    return true;
  }

  // A quoted string; its text must be valid UTF-8 without NUL.
  bool quoted(std::string& text) {
    if (!take("\"")) return false;
    for (; pos_ < line_.size(); ++pos_) {
      const char c = line_[pos_];
      if (c == '"') {
        ++pos_;
        return isValidName(text, SIZE_MAX);
      }
      if (static_cast<unsigned char>(c) < 0x20) return false;
      if (c != '\\') {
        text += c;
      } else if (pos_ + 1 < line_.size() && (line_[pos_ + 1] == '\\' || line_[pos_ + 1] == '"')) {
        text += line_[++pos_];
      } else if (pos_ + 3 < line_.size() && line_[pos_ + 1] == 'x' &&
                 hexDigit(line_[pos_ + 2]) >= 0 && hexDigit(line_[pos_ + 3]) >= 0) {
        text += static_cast<char>(hexDigit(line_[pos_ + 2]) * 16 + hexDigit(line_[pos_ + 3]));
        pos_ += 3;
      } else {
        return false;
      }
    }
    return false;
  }

 private:
  std::string_view line_;
  size_t pos_ = 0;
};

bool parseData(LineReader& in, Value& value) {
  std::string text;
  if (in.next('"')) {
    if (!in.quoted(text)) return false;
    value.type = static_cast<uint32_t>(RegistryType::String);
    appendUtf16(text, value.data);
    value.data.append(2, '\0');
    return true;
  }
  if (in.take("dword:")) {
    uint32_t n = 0;
    if (!in.number(n)) return false;
    value.type = static_cast<uint32_t>(RegistryType::Dword);
    for (int i = 0; i < 4; ++i) value.data += static_cast<char>(n >> (8 * i));
    return true;
  }
  if (in.take("multi:")) {
    value.type = static_cast<uint32_t>(RegistryType::MultiString);
    if (!in.atEnd()) {
      do {
        text.clear();
        in.skipBlanks();
        if (!in.quoted(text)) return false;
        appendUtf16(text, value.data);
        value.data.append(2, '\0');
        in.skipBlanks();
      } while (in.take(","));
    }
    value.data.append(2, '\0');
    return true;
  }
  if (in.take("hex:")) {
    value.type = static_cast<uint32_t>(RegistryType::Binary);
    return in.bytes(value.data);
  }
  return in.take("hex(") && in.number(value.type) && in.take("):") && in.bytes(value.data);
}

}  // namespace

bool parseKeyFile(std::string_view text, Values& values) {
  values.clear();
  std::vector<std::string> folded;
  bool first = true;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (first) {
      if (line != Header) return false;
      first = false;
      continue;
    }
    LineReader in(line);
    if (in.atEnd() || in.next(';')) continue;
    Value value;
    if (!in.take("@") && !in.quoted(value.name)) return false;
    if (!isValidName(value.name, MaxValueNameUnits)) return false;
    folded.push_back(foldName(value.name));
    in.skipBlanks();
    if (!in.take("=")) return false;
    in.skipBlanks();
    if (!parseData(in, value) || !in.atEnd()) return false;
    values.push_back(std::move(value));
  }
  std::sort(folded.begin(), folded.end());
  return !first && std::adjacent_find(folded.begin(), folded.end()) == folded.end();
}

std::string formatKeyFile(const Values& values) {
  std::string out(Header);
  out += '\n';
  for (const Value& value : values) {
    if (value.name.empty())
      out += '@';
    else
      appendQuoted(value.name, out);
    out += '=';
    appendData(value, out);
    out += '\n';
  }
  return out;
}

Value* findValue(Values& values, std::string_view name) {
  const std::string folded = foldName(name);
  for (Value& value : values)
    if (foldName(value.name) == folded) return &value;
  return nullptr;
}

}  // namespace tz::platform::registry
