// The statements of resource scripts: LANGUAGE, STRINGTABLE and raw data (RCDATA under a
// number); other resource types are reported as not supported rather than skipped, so that
// nothing is lost silently.
#include <set>

#include "support/platform/text_encoding.h"
#include "support/platform/tzrc/resource_set.h"

namespace tz::tzrc {

namespace {

const std::set<std::string> kMemoryOptions = {"DISCARDABLE", "MOVEABLE", "FIXED",
                                              "PURE",        "IMPURE",   "PRELOAD",
                                              "LOADONCALL",  "SHARED",   "NONSHARED"};

bool isBinaryOperator(const Token& token) {
  static const std::set<std::string> kBinary = {
      "*",  "/",  "%",  "+",  "-", "<<", ">>", "<",  ">",
      "<=", ">=", "==", "!=", "&", "^",  "|",  "&&", "||"};
  return token.kind == TokenKind::Symbol && kBinary.count(token.text) != 0;
}

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

class Parser {
 public:
  Parser(ScriptReader& reader, ResourceSet& resources) : reader_(reader), resources_(resources) {}

  void run() {
    for (;;) {
      const Token token = reader_.next();
      if (token.kind == TokenKind::End) return;
      if (token.kind == TokenKind::Name && token.text == "LANGUAGE") {
        language_ = languageOperands(token);
      } else if (token.kind == TokenKind::Name && token.text == "STRINGTABLE") {
        stringTable();
      } else if (token.kind == TokenKind::Name || token.kind == TokenKind::Number) {
        // A resource definition starts with its name and then its type.
        const Token type = reader_.next();
        if (type.kind == TokenKind::Name && type.text == "RCDATA") {
          if (token.kind != TokenKind::Number)
            throw ScriptError(token.place,
                              "RCDATA needs a number as its name, not " + describe(token));
          rawData(token);
        } else if (type.kind == TokenKind::Name) {
          throw ScriptError(type.place, "resources of type " + type.text + " are not supported");
        } else {
          throw ScriptError(token.place, "unexpected " + describe(token));
        }
      } else {
        throw ScriptError(token.place, "unexpected " + describe(token));
      }
    }
  }

 private:
  // The tokens of one expression: operands and operators alternate, parentheses balance.
  std::vector<Token> expressionTokens(const char* what) {
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
      } else if (isBinaryOperator(token)) {
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

  int32_t expression(const char* what) {
    const std::vector<Token> tokens = expressionTokens(what);
    size_t at = 0;
    return evaluateExpression(tokens, at, tokens.front().place);
  }

  void expectSymbol(const char* symbol, const char* context) {
    const Token token = reader_.next();
    if (token.kind != TokenKind::Symbol || token.text != symbol)
      throw ScriptError(token.place, std::string("'") + symbol + "' expected " + context +
                                         ", not " + describe(token));
  }

  uint16_t languageOperands(const Token& keyword) {
    const int32_t primary = expression("a language");
    expectSymbol(",", "between language and sub-language");
    const int32_t sub = expression("a sub-language");
    if (primary < 0 || primary > 0x3FF || sub < 0 || sub > 0x3F)
      throw ScriptError(keyword.place, "LANGUAGE " + std::to_string(primary) + ", " +
                                           std::to_string(sub) + " is out of range");
    return static_cast<uint16_t>(primary | sub << 10);
  }

  bool isBlockStart(const Token& token) {
    return (token.kind == TokenKind::Name && token.text == "BEGIN") ||
           (token.kind == TokenKind::Symbol && token.text == "{");
  }
  bool isBlockEnd(const Token& token) {
    return (token.kind == TokenKind::Name && token.text == "END") ||
           (token.kind == TokenKind::Symbol && token.text == "}");
  }

  // The options before a resource's BEGIN; returns the resource's language.
  uint16_t resourceOptions(const char* statement) {
    uint16_t language = language_;
    for (;;) {
      const Token token = reader_.next();
      if (isBlockStart(token)) return language;
      if (token.kind == TokenKind::Name && kMemoryOptions.count(token.text)) continue;
      if (token.kind == TokenKind::Name && token.text == "LANGUAGE") {
        language = languageOperands(token);
      } else if (token.kind == TokenKind::Name &&
                 (token.text == "CHARACTERISTICS" || token.text == "VERSION")) {
        expression("a number");
      } else {
        throw ScriptError(token.place, std::string("BEGIN expected after ") + statement + ", not " +
                                           describe(token));
      }
    }
  }

  // Raw data: strings (narrow ones as UTF-8, the code page of the scripts; L"…" as UTF-16),
  // and numbers, 16-bit unless written with an L suffix; commas between items are optional.
  void rawData(const Token& name) {
    const uint16_t language = resourceOptions("RCDATA");
    std::vector<uint8_t> bytes;
    for (;;) {
      const Token& head = reader_.peek();
      if (isBlockEnd(head)) {
        reader_.next();
        break;
      }
      if (head.kind == TokenKind::End)
        throw ScriptError(head.place, "END of RCDATA expected before the end of the file");
      if (head.kind == TokenKind::Symbol && head.text == ",") {
        reader_.next();
        continue;
      }
      if (head.kind == TokenKind::String) {
        const Token text = reader_.next();
        if (text.wide) {
          for (const char16_t c : text.value)
            bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
        } else {
          const std::string narrow = platform::utf8FromUtf16(text.value);
          bytes.insert(bytes.end(), narrow.begin(), narrow.end());
        }
      } else {
        const bool wide = head.kind == TokenKind::Number && head.wide;
        const auto value = static_cast<uint32_t>(expression("a number or a string"));
        for (int i = 0; i < (wide ? 4 : 2); ++i)
          bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
      }
      if (bytes.size() > ResourceSet::kMaxDataBytes)
        throw ScriptError(
            name.place, "raw data beyond " + std::to_string(ResourceSet::kMaxDataBytes) + " bytes");
    }
    resources_.addData(language, name.number, std::move(bytes), name.place);
  }

  void stringTable() {
    const uint16_t language = resourceOptions("STRINGTABLE");
    for (;;) {
      const Token& head = reader_.peek();
      if (isBlockEnd(head)) {
        reader_.next();
        return;
      }
      if (head.kind == TokenKind::End)
        throw ScriptError(head.place, "END of STRINGTABLE expected before the end of the file");
      const SourcePlace place = head.place;
      const int32_t id = expression("a string id");
      if (reader_.peek().kind == TokenKind::Symbol && reader_.peek().text == ",") reader_.next();
      if (reader_.peek().kind != TokenKind::String)
        throw ScriptError(reader_.peek().place, "string expected after id " + std::to_string(id) +
                                                    ", not " + describe(reader_.peek()));
      std::u16string text;
      // Checked as it grows: a macro can repeat a long string many times over.
      while (reader_.peek().kind == TokenKind::String) {
        text += reader_.next().value;
        if (text.size() > ResourceSet::kMaxStringLength)
          throw ScriptError(place, "string longer than " +
                                       std::to_string(ResourceSet::kMaxStringLength) +
                                       " characters");
      }
      resources_.addString(language, id, std::move(text), place);
    }
  }

  ScriptReader& reader_;
  ResourceSet& resources_;
  uint16_t language_ = 0;  // neutral until a LANGUAGE statement
};

}  // namespace

void parseScript(ScriptReader& reader, ResourceSet& resources) {
  Parser(reader, resources).run();
}

}  // namespace tz::tzrc
