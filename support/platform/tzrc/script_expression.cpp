// Constant expressions of resource scripts, with the C operators and precedence.
#include "support/platform/tzrc/script_reader.h"

namespace tz::tzrc {

namespace {

struct BinaryOperator {
  std::string_view symbol;
  int precedence;
};

constexpr BinaryOperator kOperators[] = {
    {"*", 10}, {"/", 10}, {"%", 10}, {"+", 9},  {"-", 9},  {"<<", 8}, {">>", 8},
    {"<", 7},  {">", 7},  {"<=", 7}, {">=", 7}, {"==", 6}, {"!=", 6}, {"&", 5},
    {"^", 4},  {"|", 3},  {"&&", 2}, {"||", 1},
};

int precedenceOf(const Token& token) {
  if (token.kind != TokenKind::Symbol) return 0;
  for (const BinaryOperator& op : kOperators)
    if (op.symbol == token.text) return op.precedence;
  return 0;
}

// Results are kept to 32 bits, as the resource compiler's arithmetic is.
int64_t wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(value));
}

int64_t primary(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place) {
  if (at >= tokens.size()) throw ScriptError(place, "expression ends too early");
  const Token& token = tokens[at++];
  if (token.kind == TokenKind::Number) return token.number;
  if (token.kind == TokenKind::Name) throw ScriptError(token.place, "unknown name " + token.text);
  if (token.kind == TokenKind::Symbol) {
    if (token.text == "(") {
      const int64_t value = evaluateExpression(tokens, at, place);
      if (at >= tokens.size() || tokens[at].text != ")")
        throw ScriptError(token.place, "')' expected");
      ++at;
      return value;
    }
    if (token.text == "-") return wrap(-primary(tokens, at, place));
    if (token.text == "+") return primary(tokens, at, place);
    if (token.text == "~") return wrap(~primary(tokens, at, place));
    if (token.text == "!") return primary(tokens, at, place) == 0 ? 1 : 0;
  }
  throw ScriptError(token.place, "a number was expected, not '" +
                                     (token.kind == TokenKind::String ? "\"...\"" : token.text) + "'");
}

int64_t apply(std::string_view op, int64_t a, int64_t b, const SourcePlace& place) {
  if ((op == "/" || op == "%") && b == 0) throw ScriptError(place, "division by zero");
  const auto ua = static_cast<uint32_t>(a);
  if (op == "*") return wrap(a * b);
  if (op == "/") return wrap(a / b);
  if (op == "%") return wrap(a % b);
  if (op == "+") return wrap(a + b);
  if (op == "-") return wrap(a - b);
  if (op == "<<") return wrap(static_cast<int64_t>(ua << (b & 31)));
  if (op == ">>") return wrap(static_cast<int64_t>(ua >> (b & 31)));
  if (op == "<") return a < b;
  if (op == ">") return a > b;
  if (op == "<=") return a <= b;
  if (op == ">=") return a >= b;
  if (op == "==") return a == b;
  if (op == "!=") return a != b;
  if (op == "&") return wrap(a & b);
  if (op == "^") return wrap(a ^ b);
  if (op == "|") return wrap(a | b);
  if (op == "&&") return a != 0 && b != 0;
  return a != 0 || b != 0;
}

int64_t climb(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place,
              int minimum) {
  int64_t left = primary(tokens, at, place);
  while (at < tokens.size()) {
    const int precedence = precedenceOf(tokens[at]);
    if (precedence == 0 || precedence < minimum) break;
    const Token& op = tokens[at++];
    const int64_t right = climb(tokens, at, place, precedence + 1);
    left = apply(op.text, left, right, op.place);
  }
  return left;
}

}  // namespace

int64_t evaluateExpression(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place) {
  return climb(tokens, at, place, 1);
}

}  // namespace tz::tzrc
