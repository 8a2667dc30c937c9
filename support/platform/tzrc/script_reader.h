// Tokens of resource scripts in the original platform's syntax, after the preprocessor's work:
// comments, #include "file" (angle-bracket includes name the system headers, whose constants
// are built in), object-like #define and #undef, #if/#ifdef/#ifndef/#elif/#else/#endif,
// #pragma code_page(65001) and #pragma once. Scripts are UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace tz::tzrc {

// Where a token came from, for messages.
struct SourcePlace {
  std::string file;
  int line = 0;
};

// A script that cannot be compiled: the message names the file and line.
class ScriptError : public std::runtime_error {
 public:
  ScriptError(const SourcePlace& place, const std::string& message)
      : std::runtime_error(place.file + ":" + std::to_string(place.line) + ": error: " + message) {}
};

enum class TokenKind { Name, Number, String, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;      // a name, the symbol's characters, or a number as written
  int64_t number = 0;    // a number's value
  std::u16string value;  // a string's characters, escapes resolved
  SourcePlace place;
};

class ScriptReader {
 public:
  explicit ScriptReader(const std::string& path);
  ~ScriptReader();

  // The next token with macros expanded; End once every file is read.
  Token next();
  // The next token without taking it.
  const Token& peek();

 private:
  struct Source;

  Token readRaw();
  Token lexToken(Source& source);
  bool atLineStart(const Source& source) const;
  void directive(Source& source);
  void skipBlank(Source& source);
  void skipBlockComment(Source& source);
  std::string restOfLine(Source& source);
  std::vector<Token> lexLine(const std::string& text, const SourcePlace& place);
  int64_t evaluateCondition(const std::string& text, const SourcePlace& place);
  void include(const std::string& name, const SourcePlace& place, bool system);
  bool skipping() const;

  struct Condition {
    bool taking;      // this branch's lines are read
    bool taken;       // some branch of this group was taken
    bool parentTaking;
    bool sawElse;
    SourcePlace place;
  };

  std::vector<std::unique_ptr<Source>> sources_;
  std::vector<Condition> conditions_;
  std::map<std::string, std::vector<Token>> macros_;
  std::vector<std::string> onceFiles_;
  std::vector<Token> pending_;  // expansion output, next token last
  bool peeked_ = false;
  Token peekedToken_;
};

// The value of the constant expression at tokens[at], advancing at past it: numbers, parentheses,
// unary - + ~ !, and the binary C operators with their precedence, in 32-bit arithmetic. Names
// must have been replaced by their values; one left over is an error.
int64_t evaluateExpression(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place);

}  // namespace tz::tzrc
