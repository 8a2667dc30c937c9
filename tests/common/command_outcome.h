// How a program that a test ran ended: its exit status and what it wrote.
#pragma once

#include <ostream>
#include <string>

namespace tz::test {

struct CommandOutcome {
  int status = -1;  // the exit status; -1 when the program did not end by itself in time
  std::string out, err;
  bool operator==(const CommandOutcome&) const = default;
  friend void PrintTo(const CommandOutcome& o, std::ostream* os) {
    *os << o.status << " [" << o.out << "] [" << o.err << "]";
  }
};

}  // namespace tz::test
