// Tokens of resource scripts in the original platform's syntax, after the preprocessor's work:
// comments, #include "file" (angle-bracket includes name the system headers, whose constants
// are built in), object-like #define and #undef, #if/#ifdef/#ifndef/#elif/#else/#endif,
// #pragma code_page(65001) and #pragma once. Scripts are UTF-8.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "support/platform/tzrc/macro_expansion.h"
#include "support/platform/tzrc/script_token.h"

namespace tz::tzrc {

// What one script may ask of the reader, so that a hostile one ends in an error instead of
// exhausting the stack, memory or time.
struct ScriptLimits {
  static constexpr size_t kFileBytes = size_t{4} << 20;    // one file
  static constexpr size_t kTotalBytes = size_t{16} << 20;  // the script and all it includes
  static constexpr size_t kIncludes = 1024;                // files opened by #include
  static constexpr size_t kIncludeDepth = 32;
  static constexpr size_t kConditionDepth = 256;  // nested #if groups
  static constexpr int kExpressionDepth = 256;    // parentheses and unary operators
  static constexpr size_t kLineTokens = 65536;    // a directive's line, an expression
};

// Script texts by path, for a reader that touches no files.
using ScriptTexts = std::map<std::string, std::string>;

class ScriptReader {
 public:
  // Reads the script at path; it and its includes must be regular files.
  explicit ScriptReader(const std::string& path);
  // Reads the script at path from texts, which also hold whatever it may include.
  ScriptReader(const std::string& path, const ScriptTexts& texts);
  ~ScriptReader();

  // The next token with macros expanded; End once every file is read.
  Token next();
  // The next token without taking it.
  const Token& peek();

  // The value of an #if condition with the macros defined so far: `defined NAME` and
  // `defined(NAME)` are 0 or 1, macros are expanded, and names left over count 0, as in C.
  int32_t evaluateCondition(const std::string& text, const SourcePlace& place);

 private:
  struct Source;

  void start(const std::string& path);
  Token readRaw();
  Token lexToken(Source& source);
  void directive(Source& source);
  void skipBlank(Source& source);
  void skipBlockComment(Source& source);
  std::string restOfLine(Source& source);
  std::vector<Token> lexLine(const std::string& text, const SourcePlace& place);
  void include(const std::string& name, const SourcePlace& place, bool system);
  std::string readScript(const std::string& path, const std::string& name,
                         const SourcePlace& place);
  bool skipping() const;

  struct Condition {
    bool taking;  // this branch's lines are read
    bool taken;   // some branch of this group was taken
    bool parentTaking;
    bool sawElse;
    SourcePlace place;
  };

  std::optional<ScriptTexts> texts_;  // none: files
  std::vector<std::unique_ptr<Source>> sources_;
  std::vector<Condition> conditions_;
  Macros macros_;
  Expansion expansion_{macros_};  // of the token stream; an #if line has its own
  std::set<std::string> onceFiles_;
  size_t includes_ = 0;
  size_t bytesRead_ = 0;
  bool peeked_ = false;
  Token peekedToken_;
};

// The value of the constant expression at tokens[at], advancing at past it: numbers, parentheses,
// unary - + ~ !, and the binary C operators with their precedence, in 32-bit two's complement.
// Names must have been replaced by their values; one left over is an error, and so are
// division by zero and overflowing division, except in an operand that && or || skip.
int32_t evaluateExpression(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place);

}  // namespace tz::tzrc
