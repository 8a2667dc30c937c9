// The preprocessor and tokenizer of resource scripts.
#include "support/platform/tzrc/script_reader.h"

#include <filesystem>
#include <fstream>

#include "support/platform/text_encoding.h"
#include "support/platform/tzrc/system_constants.h"

namespace tz::tzrc {

namespace {

bool isNameStart(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}
bool isNameChar(char c) {
  return isNameStart(c) || (c >= '0' && c <= '9');
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string directoryOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

Token numberToken(int64_t value, const SourcePlace& place) {
  Token token;
  token.kind = TokenKind::Number;
  token.number = value;
  token.text = std::to_string(value);
  token.place = place;
  return token;
}

}  // namespace

std::string ScriptError::oneLine(std::string text) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != 0x7F) continue;
    text.replace(i, 1, {'\\', 'x', kDigits[c >> 4], kDigits[c & 15]});
    i += 3;
  }
  return text;
}

struct ScriptReader::Source {
  std::string path;
  std::string text;
  size_t pos = 0;
  int line = 1;
  bool lineStart = true;
  size_t conditionDepth = 0;  // conditions open when the file began

  SourcePlace place() const { return {path, line}; }
  bool done() const { return pos >= text.size(); }
  char at(size_t offset = 0) const {
    return pos + offset < text.size() ? text[pos + offset] : '\0';
  }
};

ScriptReader::ScriptReader(const std::string& path) {
  start(path);
}

ScriptReader::ScriptReader(const std::string& path, const ScriptTexts& texts) : texts_(texts) {
  start(path);
}

void ScriptReader::start(const std::string& path) {
  for (const auto constants : {systemConstants(), styleConstants()})
    for (const SystemConstant& constant : constants)
      macros_.define(std::string(constant.name), {numberToken(constant.value, {"<system>", 0})});
  macros_.define("RC_INVOKED", {numberToken(1, {"<system>", 0})});
  include(path, {path, 0}, false);
}

ScriptReader::~ScriptReader() = default;

void ScriptReader::include(const std::string& name, const SourcePlace& place, bool system) {
  if (system) return;  // the system headers' constants are built in
  const std::string path =
      sources_.empty() || name.starts_with("/") ? name : directoryOf(sources_.back()->path) + name;
  if (onceFiles_.count(path) != 0) return;
  if (sources_.size() >= ScriptLimits::kIncludeDepth)
    throw ScriptError(place, "includes nest too deeply (at \"" + name + "\")");
  // Counted apart from the depth: files that include the next one twice fan out exponentially.
  if (!sources_.empty() && ++includes_ > ScriptLimits::kIncludes)
    throw ScriptError(place,
                      "more than " + std::to_string(ScriptLimits::kIncludes) + " files included");
  auto source = std::make_unique<Source>();
  source->path = path;
  source->text = readScript(path, name, place);
  bytesRead_ += source->text.size();
  if (bytesRead_ > ScriptLimits::kTotalBytes)
    throw ScriptError(place, "the script and its includes exceed " +
                                 std::to_string(ScriptLimits::kTotalBytes >> 20) + " MiB");
  if (source->text.starts_with("\xEF\xBB\xBF")) source->pos = 3;
  // Every byte must be UTF-8, so that a wrongly saved file is found here and not in the strings.
  int line = 1;
  for (size_t i = source->pos; i < source->text.size();) {
    char32_t c = 0;
    if (!platform::decodeUtf8(source->text, i, c))
      throw ScriptError({path, line}, "the file is not UTF-8 text");
    if (c == U'\n') ++line;
  }
  source->conditionDepth = conditions_.size();
  sources_.push_back(std::move(source));
}

// Only regular files, and only so much of them: a device or a pipe may never end or never answer.
std::string ScriptReader::readScript(const std::string& path, const std::string& name,
                                     const SourcePlace& place) {
  const std::string quoted = "\"" + name + "\"";
  std::string text;
  if (texts_) {
    const auto found = texts_->find(path);
    if (found == texts_->end()) throw ScriptError(place, "cannot open " + quoted);
    text = found->second;
  } else {
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) throw ScriptError(place, "cannot open " + quoted);
    if (!std::filesystem::is_regular_file(status))
      throw ScriptError(place, quoted + " is not a regular file");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw ScriptError(place, "cannot open " + quoted);
    char buffer[65536];
    while (text.size() <= ScriptLimits::kFileBytes &&
           (file.read(buffer, sizeof buffer) || file.gcount() > 0))
      text.append(buffer, static_cast<size_t>(file.gcount()));
  }
  if (text.size() > ScriptLimits::kFileBytes)
    throw ScriptError(place, quoted + " is larger than " +
                                 std::to_string(ScriptLimits::kFileBytes >> 20) + " MiB");
  return text;
}

bool ScriptReader::skipping() const {
  return !conditions_.empty() && !conditions_.back().taking;
}

void ScriptReader::skipBlockComment(Source& source) {
  const SourcePlace start = source.place();
  source.pos += 2;
  while (!source.done() && !(source.at() == '*' && source.at(1) == '/')) {
    if (source.at() == '\n') ++source.line;
    ++source.pos;
  }
  if (source.done()) throw ScriptError(start, "comment not closed");
  source.pos += 2;
}

void ScriptReader::skipBlank(Source& source) {
  while (!source.done()) {
    const char c = source.at();
    if (c == '\n') {
      ++source.line;
      source.lineStart = true;
      ++source.pos;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++source.pos;
    } else if (c == '\\' &&
               (source.at(1) == '\n' || (source.at(1) == '\r' && source.at(2) == '\n'))) {
      source.pos += source.at(1) == '\n' ? 2 : 3;
      ++source.line;
    } else if (c == '/' && source.at(1) == '/') {
      while (!source.done() && source.at() != '\n') ++source.pos;
    } else if (c == '/' && source.at(1) == '*') {
      skipBlockComment(source);
    } else {
      return;
    }
  }
}

std::string ScriptReader::restOfLine(Source& source) {
  std::string text;
  while (!source.done() && source.at() != '\n') {
    // A backslash ends the line only before a line break; a lone carriage return is none.
    if (source.at() == '\\' &&
        (source.at(1) == '\n' || (source.at(1) == '\r' && source.at(2) == '\n'))) {
      source.pos += source.at(1) == '\r' ? 3 : 2;
      ++source.line;
      text += ' ';
      continue;
    }
    if (source.at() == '/' && source.at(1) == '*') {  // a comment may run on to later lines
      skipBlockComment(source);
      text += ' ';
      continue;
    }
    text += source.at();
    ++source.pos;
  }
  return text;
}

Token ScriptReader::lexToken(Source& source) {
  Token token;
  token.place = source.place();
  source.lineStart = false;
  const char c = source.at();
  if ((c == 'L' || c == 'l') && source.at(1) == '"') ++source.pos;
  if (source.at() == '"') {
    const bool wide = c == 'L' || c == 'l';
    token.kind = TokenKind::String;
    token.wide = wide;
    ++source.pos;
    std::string bytes;
    for (;;) {
      if (source.done() || source.at() == '\n')
        throw ScriptError(token.place, "string not closed at the end of the line");
      char d = source.at();
      ++source.pos;
      if (d == '"') {
        if (source.at() != '"') break;
        ++source.pos;  // "" stands for one quote
      } else if (d == '\\') {
        d = source.at();
        ++source.pos;
        unsigned value = 0;
        switch (d) {
          case 'n':
            value = '\n';
            break;
          case 't':
            value = '\t';
            break;
          case 'r':
            value = '\r';
            break;
          case 'a':
            value = '\a';
            break;
          case 'b':
            value = '\b';
            break;
          case 'f':
            value = '\f';
            break;
          case 'v':
            value = '\v';
            break;
          case '\\':
          case '"':
          case '\'':
          case '?':
            value = static_cast<unsigned char>(d);
            break;
          case 'x':
          case 'X': {
            const int limit = wide ? 4 : 2;
            int digits = 0;
            for (; digits < limit && isxdigit(static_cast<unsigned char>(source.at())); ++digits) {
              const char h = source.at();
              value = value * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
              ++source.pos;
            }
            if (digits == 0) throw ScriptError(token.place, "\\x without hexadecimal digits");
            break;
          }
          default:
            if (d >= '0' && d <= '7') {
              value = static_cast<unsigned>(d - '0');
              for (int digits = 1; digits < 3 && source.at() >= '0' && source.at() <= '7'; ++digits)
                value = value * 8 + static_cast<unsigned>(source.at() - '0'), ++source.pos;
              break;
            }
            throw ScriptError(token.place, std::string("unknown escape \\") + d);
        }
        token.value += platform::utf16FromUtf8(bytes);
        bytes.clear();
        token.value += static_cast<char16_t>(value);
        continue;
      }
      bytes += d;
    }
    token.value += platform::utf16FromUtf8(bytes);
    return token;
  }
  if (isNameStart(c)) {
    token.kind = TokenKind::Name;
    while (isNameChar(source.at())) token.text += source.text[source.pos++];
    return token;
  }
  if (isDigit(c)) {
    token.kind = TokenKind::Number;
    int base = 10;
    if (c == '0' && (source.at(1) == 'x' || source.at(1) == 'X')) {
      base = 16;
      source.pos += 2;
    } else if (c == '0') {
      base = 8;
    }
    bool any = base == 8;
    uint64_t value = 0;
    for (;; ++source.pos) {
      const char d = source.at();
      int digit = 0;
      if (isDigit(d))
        digit = d - '0';
      else if (base == 16 && isxdigit(static_cast<unsigned char>(d)))
        digit = (d | 0x20) - 'a' + 10;
      else
        break;
      if (digit >= base) throw ScriptError(token.place, "bad digit in a number");
      value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
      if (value > 0xFFFFFFFFull) throw ScriptError(token.place, "number out of range");
      any = true;
    }
    if (!any) throw ScriptError(token.place, "hexadecimal number without digits");
    while (source.at() == 'L' || source.at() == 'l' || source.at() == 'U' || source.at() == 'u') {
      token.wide = token.wide || source.at() == 'L' || source.at() == 'l';
      ++source.pos;
    }
    if (isNameChar(source.at())) throw ScriptError(token.place, "bad suffix on a number");
    token.number = static_cast<int64_t>(value);
    token.text = std::to_string(value);
    return token;
  }
  token.kind = TokenKind::Symbol;
  static constexpr const char* kPairs[] = {"<<", ">>", "&&", "||", "==", "!=", "<=", ">="};
  for (const char* pair : kPairs)
    if (c == pair[0] && source.at(1) == pair[1]) {
      token.text = pair;
      source.pos += 2;
      return token;
    }
  if (std::string_view(",{}()|&+-*/%~!^<>;=?:").find(c) == std::string_view::npos) {
    size_t end = source.pos;
    char32_t character = 0;
    if (!platform::decodeUtf8(source.text, end, character)) end = source.pos + 1;
    throw ScriptError(token.place, "unexpected character '" +
                                       source.text.substr(source.pos, end - source.pos) + "'");
  }
  token.text = c;
  ++source.pos;
  return token;
}

std::vector<Token> ScriptReader::lexLine(const std::string& text, const SourcePlace& place) {
  Source source;
  source.path = place.file;
  source.line = place.line;
  source.text = text;
  source.lineStart = false;
  std::vector<Token> tokens;
  for (skipBlank(source); !source.done(); skipBlank(source)) {
    if (tokens.size() == ScriptLimits::kLineTokens)
      throw ScriptError(
          place, "line longer than " + std::to_string(ScriptLimits::kLineTokens) + " tokens");
    tokens.push_back(lexToken(source));
  }
  for (Token& token : tokens) token.place = place;
  return tokens;
}

void ScriptReader::directive(Source& source) {
  const SourcePlace place = source.place();
  ++source.pos;  // '#'
  while (source.at() == ' ' || source.at() == '\t') ++source.pos;
  std::string name;
  while (isNameChar(source.at())) name += source.text[source.pos++];
  const std::string rest = restOfLine(source);

  if (name == "if" || name == "ifdef" || name == "ifndef") {
    if (conditions_.size() >= ScriptLimits::kConditionDepth)
      throw ScriptError(
          place, "#if nests more than " + std::to_string(ScriptLimits::kConditionDepth) + " deep");
    bool taking = false;
    if (!skipping()) {
      if (name == "if") {
        taking = evaluateCondition(rest, place) != 0;
      } else {
        const std::vector<Token> tokens = lexLine(rest, place);
        if (tokens.size() != 1 || tokens[0].kind != TokenKind::Name)
          throw ScriptError(place, "#" + name + " needs one name");
        taking = macros_.defined(tokens[0].text) == (name == "ifdef");
      }
    }
    conditions_.push_back({taking, taking || skipping(), !skipping(), false, place});
    return;
  }
  if (name == "elif" || name == "else" || name == "endif") {
    if (conditions_.size() <= source.conditionDepth)
      throw ScriptError(place, "#" + name + " without #if");
    Condition& condition = conditions_.back();
    if (name == "endif") {
      conditions_.pop_back();
      return;
    }
    if (condition.sawElse) throw ScriptError(place, "#" + name + " after #else");
    condition.sawElse = name == "else";
    bool taking = false;
    if (condition.parentTaking && !condition.taken)
      taking = name == "else" || evaluateCondition(rest, place) != 0;
    condition.taking = taking;
    condition.taken = condition.taken || taking;
    return;
  }
  if (skipping()) return;
  if (name.empty() && rest.find_first_not_of(" \t\r") == std::string::npos)
    return;  // null directive

  if (name == "include") {
    const size_t open = rest.find_first_of("\"<");
    const char close = open != std::string::npos && rest[open] == '<' ? '>' : '"';
    const size_t end = open == std::string::npos ? open : rest.find(close, open + 1);
    if (end == std::string::npos) throw ScriptError(place, "#include needs \"file\" or <file>");
    source.lineStart = true;
    include(rest.substr(open + 1, end - open - 1), place, close == '>');
    return;
  }
  if (name == "define" || name == "undef") {
    size_t at = rest.find_first_not_of(" \t");
    std::string macro;
    while (at < rest.size() && isNameChar(rest[at])) macro += rest[at++];
    if (macro.empty() || !isNameStart(macro[0]))
      throw ScriptError(place, "#" + name + " needs a name");
    if (name == "undef") {
      macros_.undefine(macro);
      return;
    }
    if (at < rest.size() && rest[at] == '(')
      throw ScriptError(place, "macros with parameters are not supported (" + macro + ")");
    macros_.define(macro, lexLine(rest.substr(at), place));
    return;
  }
  if (name == "pragma") {
    const std::vector<Token> tokens = lexLine(rest, place);
    if (!tokens.empty() && tokens[0].text == "once") {
      onceFiles_.insert(source.path);
    } else if (!tokens.empty() && tokens[0].text == "code_page") {
      if (tokens.size() != 4 || tokens[1].text != "(" || tokens[3].text != ")" ||
          tokens[2].kind != TokenKind::Number)
        throw ScriptError(place, "#pragma code_page needs a number in parentheses");
      if (tokens[2].number != 65001)
        throw ScriptError(place, "code page " + tokens[2].text +
                                     " is not supported: scripts are UTF-8, code_page(65001)");
    }
    return;  // other pragmas belong to other tools
  }
  if (name == "error") throw ScriptError(place, "#error" + rest);
  throw ScriptError(place, "unknown directive #" + name);
}

Token ScriptReader::readRaw() {
  while (!sources_.empty()) {
    Source& source = *sources_.back();
    skipBlank(source);
    if (source.done()) {
      if (conditions_.size() > source.conditionDepth)
        throw ScriptError(conditions_.back().place, "#if without #endif");
      if (sources_.size() == 1) {
        Token end;
        end.place = source.place();
        return end;
      }
      sources_.pop_back();
      continue;
    }
    if (source.lineStart && source.at() == '#') {
      directive(source);
      continue;
    }
    if (skipping()) {
      restOfLine(source);
      continue;
    }
    return lexToken(source);
  }
  return {};
}

Token ScriptReader::next() {
  if (peeked_) {
    peeked_ = false;
    return std::move(peekedToken_);
  }
  for (;;) {
    Token token;
    if (expansion_.next(token, true)) return token;
    token = readRaw();
    if (!expansion_.expand(token)) return token;
  }
}

const Token& ScriptReader::peek() {
  if (!peeked_) {
    peekedToken_ = next();
    peeked_ = true;
  }
  return peekedToken_;
}

}  // namespace tz::tzrc
