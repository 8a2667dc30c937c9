// Constant expressions of resource scripts, with the C operators and precedence, and the
// conditions of #if and #elif, whose names are macros or 0.
//
// Every value is a 32-bit two's-complement integer, as the resource compiler keeps numbers in
// 32 bits: a literal above 0x7FFFFFFF is its bit pattern, so 0xFFFFFFFF, 0xFFFFFFFF+0 and -1
// are one value, and every operator, comparisons included, gives one answer for it. C's
// unsigned promotion would make 0xFFFFFFFF == -1 hold and 0xFFFFFFFF > 0 hold as well. Sums,
// differences, products, negation and left shifts wrap; >> keeps the sign; shift counts are
// taken modulo 32, as the processor does.
#include <cstdint>

#include "support/platform/tzrc/script_reader.h"

namespace tz::tzrc {

namespace {

struct BinaryOperator {
  std::string_view symbol;
  int precedence;
};

constexpr BinaryOperator kOperators[] = {
    {"*", 10}, {"/", 10}, {"%", 10}, {"+", 9},  {"-", 9},  {"<<", 8},
    {">>", 8}, {"<", 7},  {">", 7},  {"<=", 7}, {">=", 7}, {"==", 6},
    {"!=", 6}, {"&", 5},  {"^", 4},  {"|", 3},  {"&&", 2}, {"||", 1},
};

int precedenceOf(const Token& token) {
  if (token.kind != TokenKind::Symbol) return 0;
  for (const BinaryOperator& op : kOperators)
    if (op.symbol == token.text) return op.precedence;
  return 0;
}

int32_t apply(std::string_view op, int32_t a, int32_t b, bool evaluated, const SourcePlace& place) {
  const auto ua = static_cast<uint32_t>(a);
  const auto ub = static_cast<uint32_t>(b);
  if (op == "/" || op == "%") {
    // Both would trap in the processor's divide; in an operand && or || skip they do no harm.
    if (!evaluated && (b == 0 || (a == INT32_MIN && b == -1))) return 0;
    if (b == 0) throw ScriptError(place, "division by zero");
    if (a == INT32_MIN && b == -1)
      throw ScriptError(place, "-2147483648 " + std::string(op) + " -1 does not fit in 32 bits");
    return op == "/" ? a / b : a % b;
  }
  if (op == "*") return static_cast<int32_t>(ua * ub);
  if (op == "+") return static_cast<int32_t>(ua + ub);
  if (op == "-") return static_cast<int32_t>(ua - ub);
  if (op == "<<") return static_cast<int32_t>(ua << (ub & 31));
  if (op == ">>") return a >> (ub & 31);
  if (op == "<") return a < b;
  if (op == ">") return a > b;
  if (op == "<=") return a <= b;
  if (op == ">=") return a >= b;
  if (op == "==") return a == b;
  if (op == "!=") return a != b;
  if (op == "&") return a & b;
  if (op == "^") return a ^ b;
  if (op == "|") return a | b;
  if (op == "&&") return a != 0 && b != 0;
  return a != 0 || b != 0;
}

// Precedence climbing. It recurses once per parenthesis or unary operator, so their nesting
// is bounded; a run of binary operators adds at most one frame per precedence level.
class Evaluator {
 public:
  Evaluator(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place)
      : tokens_(tokens), at_(at), place_(place) {}

  int32_t climb(int minimum) {
    int32_t left = primary();
    while (at_ < tokens_.size()) {
      const int precedence = precedenceOf(tokens_[at_]);
      if (precedence == 0 || precedence < minimum) break;
      const Token& op = tokens_[at_++];
      const bool skips = (op.text == "&&" && left == 0) || (op.text == "||" && left != 0);
      skipped_ += skips;
      const int32_t right = climb(precedence + 1);
      skipped_ -= skips;
      left = apply(op.text, left, right, skipped_ == 0, op.place);
    }
    return left;
  }

 private:
  int32_t primary() {
    if (at_ >= tokens_.size()) throw ScriptError(place_, "expression ends too early");
    const Token& token = tokens_[at_++];
    if (token.kind == TokenKind::Number) return static_cast<int32_t>(token.number);
    if (token.kind == TokenKind::Name) throw ScriptError(token.place, "unknown name " + token.text);
    if (token.kind == TokenKind::Symbol && token.text.size() == 1 &&
        std::string_view("(-+~!").find(token.text[0]) != std::string_view::npos) {
      if (++depth_ > ScriptLimits::kExpressionDepth)
        throw ScriptError(token.place, "expression nests more than " +
                                           std::to_string(ScriptLimits::kExpressionDepth) +
                                           " deep");
      const int32_t value = token.text == "(" ? parenthesised(token) : unary(token.text[0]);
      --depth_;
      return value;
    }
    throw ScriptError(token.place, "a number was expected, not '" +
                                       (token.kind == TokenKind::String ? "\"...\"" : token.text) +
                                       "'");
  }

  int32_t parenthesised(const Token& open) {
    const int32_t value = climb(1);
    if (at_ >= tokens_.size() || tokens_[at_].text != ")")
      throw ScriptError(open.place, "')' expected");
    ++at_;
    return value;
  }

  int32_t unary(char op) {
    const int32_t value = primary();
    switch (op) {
      case '-':
        return static_cast<int32_t>(0u - static_cast<uint32_t>(value));
      case '~':
        return ~value;
      case '!':
        return value == 0;
      default:
        return value;
    }
  }

  const std::vector<Token>& tokens_;
  size_t& at_;
  const SourcePlace& place_;
  int depth_ = 0;
  int skipped_ = 0;  // && and || operands being read whose value does not matter
};

}  // namespace

int32_t evaluateExpression(const std::vector<Token>& tokens, size_t& at, const SourcePlace& place) {
  return Evaluator(tokens, at, place).climb(1);
}

int32_t ScriptReader::evaluateCondition(const std::string& text, const SourcePlace& place) {
  const std::vector<Token> line = lexLine(text, place);
  size_t read = 0;
  Expansion expansion(macros_);
  // The line's next token, from a macro's replacement or the line itself.
  const auto pull = [&](Token& token, bool expand) {
    for (;;) {
      if (expansion.next(token, expand)) return true;
      if (read == line.size()) return false;
      token = line[read++];
      if (!expand || !expansion.expand(token)) return true;
    }
  };
  std::vector<Token> tokens;
  for (Token token; pull(token, true);) {
    if (tokens.size() == ScriptLimits::kLineTokens)
      throw ScriptError(place, "#if expands to more than " +
                                   std::to_string(ScriptLimits::kLineTokens) + " tokens");
    // Refused at once: a macro repeating a long string would otherwise copy it many times over.
    if (token.kind == TokenKind::String) throw ScriptError(place, "unexpected string in #if");
    if (token.kind == TokenKind::Name && token.text == "defined") {
      Token name;
      const bool parenthesised = pull(name, false) && name.text == "(";
      if (parenthesised) pull(name, false);
      Token close;
      if (name.kind != TokenKind::Name ||
          (parenthesised && (!pull(close, false) || close.text != ")")))
        throw ScriptError(place, "defined needs a name");
      token.kind = TokenKind::Number;
      token.number = macros_.defined(name.text) ? 1 : 0;
    } else if (token.kind == TokenKind::Name) {
      token.kind = TokenKind::Number;  // keeps its text for messages
      token.number = 0;
    }
    tokens.push_back(std::move(token));
  }
  if (tokens.empty()) throw ScriptError(place, "#if without a condition");
  size_t at = 0;
  const int32_t value = evaluateExpression(tokens, at, place);
  if (at != tokens.size()) throw ScriptError(place, "unexpected '" + tokens[at].text + "' in #if");
  return value;
}

}  // namespace tz::tzrc
