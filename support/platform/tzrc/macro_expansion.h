// Object-like macros and their expansion. As in C, a macro is not expanded again while its own
// replacement is rescanned, so "#define A A A" yields the names A A and "#define A 1+A" yields
// 1+A. Macros that each use the one before twice still double at every level, so the tokens
// expansion may produce in one script are bounded.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/platform/tzrc/script_token.h"

namespace tz::tzrc {

class Expansion;

// The macros of one script and the expansion work done with them so far.
class Macros {
 public:
  static constexpr size_t kMaxExpansionTokens = size_t{1} << 18;

  void define(const std::string& name, std::vector<Token> body);
  void undefine(const std::string& name) { macros_.erase(name); }
  bool defined(const std::string& name) const { return macros_.count(name) != 0; }

 private:
  friend class Expansion;
  struct Macro {
    std::vector<Token> body;
    const Expansion* expandingIn = nullptr;  // the expansion that hides it, if any
  };

  // Shared, so that an expansion keeps its macro even when a directive replaces it.
  std::map<std::string, std::shared_ptr<Macro>> macros_;
  size_t produced_ = 0;  // tokens taken from replacements in this script
};

// The expansions in progress at one point of a token stream. Another may start and end while
// one is in progress (an #if line while the reader's stream is paused); each hides only the
// macros it expands itself.
class Expansion {
 public:
  explicit Expansion(Macros& macros) : macros_(macros) {}
  Expansion(const Expansion&) = delete;
  Expansion& operator=(const Expansion&) = delete;
  ~Expansion();

  // Starts expanding token when it names a macro that is not being expanded already.
  bool expand(const Token& token);
  // The next token of the expansions in progress, placed where the outermost macro was used;
  // with expandMacros, one that names a macro is expanded in turn instead. False once every
  // expansion is done. Throws ScriptError once the script's expansions have produced more
  // than Macros::kMaxExpansionTokens tokens.
  bool next(Token& token, bool expandMacros);

 private:
  struct Context {
    std::shared_ptr<Macros::Macro> macro;
    size_t next;
    const Expansion* hiddenBefore;  // given back when the context ends
  };

  void end(Context& context) { context.macro->expandingIn = context.hiddenBefore; }

  Macros& macros_;
  // A finished context stays until the next call, so that its macro is still hidden while the
  // last token of its replacement is expanded.
  std::vector<Context> contexts_;
  SourcePlace place_;
};

}  // namespace tz::tzrc
