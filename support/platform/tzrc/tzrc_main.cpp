// tzrc: compiles resource scripts into a module's resources.
//   tzrc -o OUTPUT.cpp SCRIPT.rc...     the C++ source that carries them into the module
//   tzrc --binary OUTPUT SCRIPT.rc...   the bare resource directory
//   tzrc --res OUTPUT.res SCRIPT.rc...  a 32-bit resource file, for the original platform's
//                                       linkers (through windres -J res -O coff)
//   tzrc --render-svg OUTPUT.svg --dialog ID [--language LANGID] SCRIPT.rc...
//                                       a picture of a dialog (in the first language that has
//                                       it, unless one is given); texts that would not fit
//                                       their controls are reported on stderr
// Errors go to stderr as "file:line: error: message"; the exit status is then 1.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "support/platform/dialog_template.h"
#include "support/platform/resource_directory.h"
#include "support/platform/text_encoding.h"
#include "support/platform/tzrc/dialog_picture.h"
#include "support/platform/tzrc/resource_compiler.h"
#include "support/platform/tzrc/script_reader.h"

namespace {

using tz::platform::ResourceKey;

int usage() {
  fprintf(stderr,
          "usage: tzrc -o OUTPUT.cpp SCRIPT.rc... | tzrc --binary OUTPUT SCRIPT.rc...\n"
          "       tzrc --res OUTPUT.res SCRIPT.rc...\n"
          "       tzrc --render-svg OUTPUT.svg --dialog ID [--language LANGID] SCRIPT.rc...\n");
  return 2;
}

// A number in 0..65535, decimal or 0x hexadecimal; -1 when it is not one.
long numberArgument(const char* text) {
  char* end = nullptr;
  const long value = strtol(text, &end, 0);
  return *text != '\0' && *end == '\0' && value >= 0 && value <= 0xFFFF ? value : -1;
}

// The picture of dialog id; empty, with the reason on stderr, when there is none.
std::string dialogPicture(const std::vector<uint8_t>& bytes, long id, long language) {
  const tz::platform::ResourceDirectory directory(bytes.data(), bytes.size());
  const auto type = ResourceKey::id(tz::platform::kResourceTypeDialog);
  const auto name = ResourceKey::id(static_cast<uint16_t>(id));
  const auto* entry = language < 0 ? directory.findFirst(type, name)
                                   : directory.find(type, name, static_cast<uint16_t>(language));
  if (entry == nullptr || directory.data(*entry) == nullptr) {
    fprintf(stderr, "tzrc: no dialog %ld in the scripts\n", id);
    return {};
  }
  tz::platform::DialogTemplate dialog;
  const auto status = tz::platform::readDialogTemplate(directory.data(*entry), entry->size, dialog);
  if (status != tz::platform::DialogTemplateStatus::Ok) {
    fprintf(stderr, "tzrc: dialog %ld: %s\n", id, tz::platform::describe(status));
    return {};
  }
  for (const tz::tzrc::TextOverflow& overflow : tz::tzrc::textOverflows(dialog))
    fprintf(
        stderr,
        "tzrc: dialog %ld language 0x%04X: the text of control %d needs %d pixels, has %d: %s\n",
        id, entry->language, static_cast<int>(overflow.id), overflow.needed, overflow.available,
        tz::platform::utf8FromUtf16(overflow.text).c_str());
  return tz::tzrc::dialogSvg(dialog);
}

}  // namespace

int main(int argc, char** argv) {
  std::string output;
  enum class Form { Source, Binary, ResFile, Picture } form = Form::Source;
  long dialog = -1, language = -1;
  std::vector<std::string> scripts;
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if ((argument == "-o" || argument == "--binary" || argument == "--res" ||
         argument == "--render-svg") &&
        i + 1 < argc) {
      if (!output.empty()) return usage();
      form = argument == "-o"         ? Form::Source
             : argument == "--binary" ? Form::Binary
             : argument == "--res"    ? Form::ResFile
                                      : Form::Picture;
      output = argv[++i];
    } else if ((argument == "--dialog" || argument == "--language") && i + 1 < argc) {
      (argument == "--dialog" ? dialog : language) = numberArgument(argv[++i]);
      if ((argument == "--dialog" ? dialog : language) < 0) return usage();
    } else if (argument.starts_with("-")) {
      return usage();
    } else {
      scripts.push_back(argument);
    }
  }
  if (output.empty() || scripts.empty() || (form == Form::Picture) != (dialog >= 0)) return usage();
  try {
    const std::vector<uint8_t> compiled = form == Form::ResFile
                                              ? tz::tzrc::compileScriptsToResFile(scripts)
                                              : tz::tzrc::compileScripts(scripts);
    const std::string content = form == Form::Binary || form == Form::ResFile
                                    ? std::string(compiled.begin(), compiled.end())
                                : form == Form::Source ? tz::tzrc::noteSource(compiled, scripts)
                                                       : dialogPicture(compiled, dialog, language);
    if (content.empty() && form == Form::Picture) return 1;
    std::ofstream file(output, std::ios::binary | std::ios::trunc);
    if (!file.write(content.data(), static_cast<std::streamsize>(content.size())) ||
        !file.flush()) {
      fprintf(stderr, "tzrc: cannot write %s\n", output.c_str());
      return 1;
    }
  } catch (const tz::tzrc::ScriptError& error) {
    fprintf(stderr, "%s\n", error.what());
    std::remove(output.c_str());
    return 1;
  }
  return 0;
}
