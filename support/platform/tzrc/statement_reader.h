// The pieces that every resource statement is read from: constant expressions, expected
// symbols, LANGUAGE operands, block brackets, and how a token is named in a message.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "support/platform/tzrc/script_reader.h"

namespace tz::tzrc {

// "'x'", "a string" or "the end of the file", for messages.
std::string describe(const Token& token);

class StatementReader {
 public:
  explicit StatementReader(ScriptReader& reader) : reader_(reader) {}

  Token next() { return reader_.next(); }
  const Token& peek() { return reader_.peek(); }

  // A constant expression; what names it in the message when none is there. With noBar, a
  // '|' outside parentheses ends it, so that styles can join terms with NOT between them.
  int32_t expression(const char* what, bool noBar = false);
  // Takes the next token when it is the symbol.
  bool takeSymbol(const char* symbol);
  // Takes the next token when it is the name.
  bool takeName(const char* name);
  void expectSymbol(const char* symbol, const char* context);
  // A window style: terms joined by '|', each ORed into start, or cleared from the value so far
  // when NOT comes before it.
  uint32_t style(uint32_t start, const char* what);
  // The language and sub-language after LANGUAGE, as a language id.
  uint16_t languageOperands(const Token& keyword);

  // DISCARDABLE, MOVEABLE and the other memory options, which no longer mean anything.
  static bool isMemoryOption(const Token& token);
  static bool isBlockStart(const Token& token);
  static bool isBlockEnd(const Token& token);

 private:
  std::vector<Token> expressionTokens(const char* what, bool noBar);

  ScriptReader& reader_;
};

}  // namespace tz::tzrc
