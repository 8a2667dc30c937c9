// The tokens of resource scripts, where they came from, and the error a script that cannot be
// compiled raises.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace tz::tzrc {

// Where a token came from, for messages.
struct SourcePlace {
  std::string file;
  int line = 0;
};

// A script that cannot be compiled. The message is one line, "file:line: error: text", with
// control characters written as \xNN, so that no script can break a message in two.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const SourcePlace& place, const std::string& message)
      : std::runtime_error(
            oneLine(place.file + ":" + std::to_string(place.line) + ": error: " + message)) {}

 private:
  static std::string oneLine(std::string text);
};

enum class TokenKind { Name, Number, String, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;      // a name, the symbol's characters, or a number as written
  int64_t number = 0;    // a number's value, 0..0xFFFFFFFF
  std::u16string value;  // a string's characters, escapes resolved
  bool wide = false;     // a string written L"…", or a number written with an L suffix
  SourcePlace place;
};

}  // namespace tz::tzrc
