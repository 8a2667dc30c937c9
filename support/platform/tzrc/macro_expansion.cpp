#include "support/platform/tzrc/macro_expansion.h"

namespace tz::tzrc {

void Macros::define(const std::string& name, std::vector<Token> body) {
  macros_[name] = std::make_shared<Macro>(Macro{std::move(body)});
}

// An expansion abandoned by an error must not leave its macros hidden from the next one.
Expansion::~Expansion() {
  for (auto context = contexts_.rbegin(); context != contexts_.rend(); ++context) end(*context);
}

bool Expansion::expand(const Token& token) {
  if (token.kind != TokenKind::Name) return false;
  const auto found = macros_.macros_.find(token.text);
  if (found == macros_.macros_.end() || found->second->expandingIn == this) return false;
  if (contexts_.empty()) place_ = token.place;
  contexts_.push_back({found->second, 0, found->second->expandingIn});
  found->second->expandingIn = this;
  return true;
}

bool Expansion::next(Token& token, bool expandMacros) {
  while (!contexts_.empty()) {
    Context& context = contexts_.back();
    if (context.next == context.macro->body.size()) {
      end(context);
      contexts_.pop_back();
      continue;
    }
    if (++macros_.produced_ > Macros::kMaxExpansionTokens)
      throw ScriptError(place_, "macros expand to more than " +
                                    std::to_string(Macros::kMaxExpansionTokens) + " tokens");
    const Token& replacement = context.macro->body[context.next++];
    if (expandMacros && expand(replacement)) continue;
    token = replacement;
    token.place = place_;
    return true;
  }
  return false;
}

}  // namespace tz::tzrc
