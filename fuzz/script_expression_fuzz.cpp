// #if conditions of resource scripts. An input whose first byte is even is a condition as
// written, evaluated twice with the same macros: both give the same value or the same error.
// Otherwise the bytes build an expression tree that is printed with the fewest parentheses its
// precedence needs and evaluated by an independent 32-bit wrapping reference, which the
// evaluator must match, errors included.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "support/platform/tzrc/script_reader.h"

namespace {

constexpr const char* kPrelude =
    "#define ONE 1\n#define NEG -1\n#define ALL 0xFFFFFFFF\n#define SELF SELF\n"
    "#define LOOP 1+LOOP\n#define TWICE ONE+ONE\n#define EMPTY\n";

// Operands: a literal's text with its value, or a name the prelude gives a value.
struct Leaf {
  const char* text;
  int32_t value;
};
constexpr Leaf kNames[] = {{"ONE", 1},          {"NEG", -1},        {"ALL", -1},
                           {"SELF", 0},         {"NOT_DEFINED", 0}, {"defined(ONE)", 1},
                           {"defined NOPE", 0}, {"(LOOP)", 1}};

struct Binary {
  const char* symbol;
  int precedence;
};
constexpr Binary kBinary[] = {{"*", 10}, {"/", 10}, {"%", 10}, {"+", 9},  {"-", 9},  {"<<", 8},
                              {">>", 8}, {"<", 7},  {">", 7},  {"<=", 7}, {">=", 7}, {"==", 6},
                              {"!=", 6}, {"&", 5},  {"^", 4},  {"|", 3},  {"&&", 2}, {"||", 1}};
constexpr int kPrimary = 11;

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  uint8_t next() { return at_ < size_ ? data_[at_++] : 0; }
  uint32_t word() {
    uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) value |= static_cast<uint32_t>(next()) << shift;
    return value;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// The reference: one value, or none where the processor's divide would trap.
using Value = std::optional<int32_t>;

int32_t wrap(int64_t value) {
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value) & 0xFFFFFFFFu));
}

Value reference(int op, int32_t a, int32_t b, bool evaluated) {
  const int64_t x = a, y = b;
  const int shift = b & 31;
  switch (op) {
    case 0:
      return wrap(x * y);
    case 1:
    case 2:
      if (y == 0 || (x == -2147483648LL && y == -1)) return evaluated ? Value() : Value(0);
      return wrap(op == 1 ? x / y : x % y);
    case 3:
      return wrap(x + y);
    case 4:
      return wrap(x - y);
    case 5:
      return wrap(static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(a)) << shift));
    case 6:
      return wrap(x >= 0 ? x / (int64_t{1} << shift)
                         : -((-x + (int64_t{1} << shift) - 1) / (int64_t{1} << shift)));
    case 7:
      return x < y;
    case 8:
      return x > y;
    case 9:
      return x <= y;
    case 10:
      return x >= y;
    case 11:
      return x == y;
    case 12:
      return x != y;
    case 13:
      return wrap(x & y);
    case 14:
      return wrap(x ^ y);
    case 15:
      return wrap(x | y);
    case 16:
      return x != 0 && y != 0;
    default:
      return x != 0 || y != 0;
  }
}

// Builds and prints an expression from the bytes and gives its reference value; precedence is
// that of the printed text's outermost operator.
Value generate(Bytes& bytes, int depth, bool evaluated, std::string& text, int& precedence) {
  const uint8_t choice = bytes.next();
  precedence = kPrimary;
  if (depth == 0 || choice < 64) {
    const uint32_t value = choice < 24 ? bytes.next() : bytes.word();
    if (choice % 4 == 3) {
      const Leaf& name = kNames[value % std::size(kNames)];
      text = name.text;
      return name.value;
    }
    char written[16];
    snprintf(written, sizeof written,
             choice % 4 == 0   ? "%u"
             : choice % 4 == 1 ? "0x%X"
                               : "0%o",
             value);
    text = written;
    return static_cast<int32_t>(value);
  }
  if (choice < 96) {
    static constexpr char kUnary[] = "-+~!";
    const char op = kUnary[choice % 4];
    int inner = 0;
    std::string operand;
    const Value value = generate(bytes, depth - 1, evaluated, operand, inner);
    text = std::string(1, op) + (inner == kPrimary ? operand : "(" + operand + ")");
    if (!value) return value;
    switch (op) {
      case '-':
        return wrap(-static_cast<int64_t>(*value));
      case '~':
        return wrap(~static_cast<int64_t>(*value));
      case '!':
        return *value == 0;
      default:
        return value;
    }
  }
  const int op = choice % static_cast<int>(std::size(kBinary));
  precedence = kBinary[op].precedence;
  std::string left, right;
  int leftPrecedence = 0, rightPrecedence = 0;
  const Value a = generate(bytes, depth - 1, evaluated, left, leftPrecedence);
  const bool rightEvaluated =
      evaluated && !(op == 16 && a && *a == 0) && !(op == 17 && a && *a != 0);
  const Value b = generate(bytes, depth - 1, rightEvaluated, right, rightPrecedence);
  if (leftPrecedence < precedence) left = "(" + left + ")";
  if (rightPrecedence <= precedence) right = "(" + right + ")";
  text = left + " " + kBinary[op].symbol + " " + right;
  if (!a || !b) return {};
  return reference(op, *a, *b, evaluated);
}

// The value, or the error message.
std::string evaluate(tz::tzrc::ScriptReader& reader, const std::string& condition) {
  try {
    return std::to_string(reader.evaluateCondition(condition, {"fuzz.rc", 1}));
  } catch (const tz::tzrc::ScriptError& error) {
    return error.what();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tz::tzrc::ScriptReader reader("prelude.rc", {{"prelude.rc", kPrelude}});
  reader.next();  // reads the definitions
  if (size == 0 || data[0] % 2 == 0) {
    const std::string condition(reinterpret_cast<const char*>(data), size);
    if (evaluate(reader, condition) != evaluate(reader, condition)) std::abort();
    return 0;
  }
  Bytes bytes(data + 1, size - 1);
  std::string text;
  int precedence = 0;
  const Value expected = generate(bytes, 12, true, text, precedence);
  const std::string got = evaluate(reader, text);
  const std::string want = expected ? std::to_string(*expected) : "an error";
  if (expected ? got != want : got.find(": error: ") == std::string::npos) {
    fprintf(stderr, "%s\ngives %s, the reference %s\n", text.c_str(), got.c_str(), want.c_str());
    std::abort();
  }
  return 0;
}
