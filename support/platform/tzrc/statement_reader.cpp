#include "support/platform/tzrc/statement_reader.h"

#include <set>

namespace tz::tzrc {

namespace {

bool isBinaryOperator(const Token& token) {
  static const std::set<std::string> kBinary = {
      "*",  "/",  "%",  "+",  "-", "<<", ">>", "<",  ">",
      "<=", ">=", "==", "!=", "&", "^",  "|",  "&&", "||"};
  return token.kind == TokenKind::Symbol && kBinary.count(token.text) != 0;
}

}  // namespace

std::string describe(const Token& token) {
  switch (token.kind) {
    case TokenKind::End:
      return "the end of the file";
    case TokenKind::String:
      return "a string";
    default:
      return "'" + token.text + "'";
  }
}

// The tokens of one expression: operands and operators alternate, parentheses balance.
std::vector<Token> StatementReader::expressionTokens(const char* what, bool noBar) {
  std::vector<Token> tokens;
  int depth = 0;
  bool expectOperand = true;
  for (;;) {
    const Token& token = reader_.peek();
    const bool symbol = token.kind == TokenKind::Symbol;
    if (expectOperand) {
      if (symbol && (token.text == "(" || token.text == "-" || token.text == "+" ||
                     token.text == "~" || token.text == "!")) {
        depth += token.text == "(";
      } else if (token.kind == TokenKind::Number || token.kind == TokenKind::Name) {
        expectOperand = false;
      } else {
        throw ScriptError(token.place, std::string(what) + " expected, not " + describe(token));
      }
    } else if (symbol && token.text == ")" && depth > 0) {
      --depth;
    } else if (isBinaryOperator(token) && !(noBar && depth == 0 && token.text == "|")) {
      expectOperand = true;
    } else {
      break;
    }
    if (tokens.size() == ScriptLimits::kLineTokens)
      throw ScriptError(token.place, "expression longer than " +
                                         std::to_string(ScriptLimits::kLineTokens) + " tokens");
    tokens.push_back(reader_.next());
  }
  if (depth > 0) throw ScriptError(tokens.back().place, "')' expected");
  return tokens;
}

int32_t StatementReader::expression(const char* what, bool noBar) {
  const std::vector<Token> tokens = expressionTokens(what, noBar);
  size_t at = 0;
  return evaluateExpression(tokens, at, tokens.front().place);
}

bool StatementReader::takeSymbol(const char* symbol) {
  const Token& token = reader_.peek();
  if (token.kind != TokenKind::Symbol || token.text != symbol) return false;
  reader_.next();
  return true;
}

bool StatementReader::takeName(const char* name) {
  const Token& token = reader_.peek();
  if (token.kind != TokenKind::Name || token.text != name) return false;
  reader_.next();
  return true;
}

void StatementReader::expectSymbol(const char* symbol, const char* context) {
  const Token token = reader_.next();
  if (token.kind != TokenKind::Symbol || token.text != symbol)
    throw ScriptError(token.place, std::string("'") + symbol + "' expected " + context + ", not " +
                                       describe(token));
}

uint16_t StatementReader::languageOperands(const Token& keyword) {
  const int32_t primary = expression("a language");
  expectSymbol(",", "between language and sub-language");
  const int32_t sub = expression("a sub-language");
  if (primary < 0 || primary > 0x3FF || sub < 0 || sub > 0x3F)
    throw ScriptError(keyword.place, "LANGUAGE " + std::to_string(primary) + ", " +
                                         std::to_string(sub) + " is out of range");
  return static_cast<uint16_t>(primary | sub << 10);
}

uint32_t StatementReader::style(uint32_t start, const char* what) {
  uint32_t value = start;
  do {
    const bool clear = takeName("NOT");
    const auto term = static_cast<uint32_t>(expression(what, true));
    value = clear ? value & ~term : value | term;
  } while (takeSymbol("|"));
  return value;
}

bool StatementReader::isMemoryOption(const Token& token) {
  static const std::set<std::string> kMemoryOptions = {"DISCARDABLE", "MOVEABLE", "FIXED",
                                                       "PURE",        "IMPURE",   "PRELOAD",
                                                       "LOADONCALL",  "SHARED",   "NONSHARED"};
  return token.kind == TokenKind::Name && kMemoryOptions.count(token.text) != 0;
}

bool StatementReader::isBlockStart(const Token& token) {
  return (token.kind == TokenKind::Name && token.text == "BEGIN") ||
         (token.kind == TokenKind::Symbol && token.text == "{");
}

bool StatementReader::isBlockEnd(const Token& token) {
  return (token.kind == TokenKind::Name && token.text == "END") ||
         (token.kind == TokenKind::Symbol && token.text == "}");
}

}  // namespace tz::tzrc
