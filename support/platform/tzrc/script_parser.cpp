// The statements of resource scripts: LANGUAGE, STRINGTABLE, raw data (RCDATA under a number)
// and dialogs (DIALOG and DIALOGEX under a number); other resource types are reported as not
// supported rather than skipped, so that nothing is lost silently.
#include "support/platform/dialog_template.h"
#include "support/platform/text_encoding.h"
#include "support/platform/tzrc/dialog_statement.h"
#include "support/platform/tzrc/resource_set.h"
#include "support/platform/tzrc/statement_reader.h"

namespace tz::tzrc {

namespace {

constexpr uint16_t kResourceTypeRawData = 10;

class Parser {
 public:
  Parser(ScriptReader& reader, ResourceSet& resources) : in_(reader), resources_(resources) {}

  void run() {
    for (;;) {
      const Token token = in_.next();
      if (token.kind == TokenKind::End) return;
      if (token.kind == TokenKind::Name && token.text == "LANGUAGE") {
        language_ = in_.languageOperands(token);
      } else if (token.kind == TokenKind::Name && token.text == "STRINGTABLE") {
        stringTable();
      } else if (token.kind == TokenKind::Name || token.kind == TokenKind::Number) {
        // A resource definition starts with its name and then its type.
        resource(token, in_.next());
      } else {
        throw ScriptError(token.place, "unexpected " + describe(token));
      }
    }
  }

 private:
  void resource(const Token& name, const Token& type) {
    if (type.kind != TokenKind::Name) throw ScriptError(name.place, "unexpected " + describe(name));
    const bool dialog = type.text == "DIALOG" || type.text == "DIALOGEX";
    if (!dialog && type.text != "RCDATA")
      throw ScriptError(type.place, "resources of type " + type.text + " are not supported");
    if (name.kind != TokenKind::Number)
      throw ScriptError(name.place,
                        type.text + " needs a number as its name, not " + describe(name));
    if (!dialog) return rawData(name);
    uint16_t language = language_;
    const platform::DialogTemplate read =
        readDialogStatement(in_, type.text == "DIALOGEX", language);
    resources_.addData(platform::kResourceTypeDialog, language, name.number,
                       platform::writeDialogTemplate(read), name.place);
  }

  // The options before a resource's BEGIN; returns the resource's language.
  uint16_t resourceOptions(const char* statement) {
    uint16_t language = language_;
    for (;;) {
      const Token token = in_.next();
      if (StatementReader::isBlockStart(token)) return language;
      if (StatementReader::isMemoryOption(token)) continue;
      if (token.kind == TokenKind::Name && token.text == "LANGUAGE") {
        language = in_.languageOperands(token);
      } else if (token.kind == TokenKind::Name &&
                 (token.text == "CHARACTERISTICS" || token.text == "VERSION")) {
        in_.expression("a number");
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
      const Token& head = in_.peek();
      if (StatementReader::isBlockEnd(head)) {
        in_.next();
        break;
      }
      if (head.kind == TokenKind::End)
        throw ScriptError(head.place, "END of RCDATA expected before the end of the file");
      if (in_.takeSymbol(",")) continue;
      if (head.kind == TokenKind::String) {
        const Token text = in_.next();
        if (text.wide) {
          for (const char16_t c : text.value)
            bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
        } else {
          const std::string narrow = platform::utf8FromUtf16(text.value);
          bytes.insert(bytes.end(), narrow.begin(), narrow.end());
        }
      } else {
        const bool wide = head.kind == TokenKind::Number && head.wide;
        const auto value = static_cast<uint32_t>(in_.expression("a number or a string"));
        for (int i = 0; i < (wide ? 4 : 2); ++i)
          bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
      }
      if (bytes.size() > ResourceSet::kMaxDataBytes)
        throw ScriptError(
            name.place, "raw data beyond " + std::to_string(ResourceSet::kMaxDataBytes) + " bytes");
    }
    resources_.addData(kResourceTypeRawData, language, name.number, std::move(bytes), name.place);
  }

  void stringTable() {
    const uint16_t language = resourceOptions("STRINGTABLE");
    for (;;) {
      const Token& head = in_.peek();
      if (StatementReader::isBlockEnd(head)) {
        in_.next();
        return;
      }
      if (head.kind == TokenKind::End)
        throw ScriptError(head.place, "END of STRINGTABLE expected before the end of the file");
      const SourcePlace place = head.place;
      const int32_t id = in_.expression("a string id");
      in_.takeSymbol(",");
      if (in_.peek().kind != TokenKind::String)
        throw ScriptError(in_.peek().place, "string expected after id " + std::to_string(id) +
                                                ", not " + describe(in_.peek()));
      std::u16string text;
      // Checked as it grows: a macro can repeat a long string many times over.
      while (in_.peek().kind == TokenKind::String) {
        text += in_.next().value;
        if (text.size() > ResourceSet::kMaxStringLength)
          throw ScriptError(place, "string longer than " +
                                       std::to_string(ResourceSet::kMaxStringLength) +
                                       " characters");
      }
      resources_.addString(language, id, std::move(text), place);
    }
  }

  StatementReader in_;
  ResourceSet& resources_;
  uint16_t language_ = 0;  // neutral until a LANGUAGE statement
};

}  // namespace

void parseScript(ScriptReader& reader, ResourceSet& resources) {
  Parser(reader, resources).run();
}

}  // namespace tz::tzrc
