// Runs a program to its end with its input from a text and its output captured, for tests of
// command-line tools. Arguments go as UTF-16, quoted so that the C runtime's rules give them
// back; line ends in the output read as "\n".
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/platform/text_encoding.h"
#include "tests/common/command_outcome.h"
#include "tests/common/scratch_folder.h"

namespace tz::test {

// Command lines are UTF-16: an argument that is not UTF-8 cannot be passed as bytes.
constexpr bool argumentsCarryAnyBytes = false;

namespace run_command_detail {

inline std::wstring wide(const std::string& text) {
  const std::u16string units = platform::utf16FromUtf8(text);
  return std::wstring(units.begin(), units.end());
}

// Quoted so that the C runtime's splitting gives the argument back: backslashes are literal
// except before a quote, where they and the quote are escaped.
inline std::wstring quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring text = L"\"";
  for (size_t i = 0;; ++i) {
    size_t backslashes = 0;
    for (; i < arg.size() && arg[i] == L'\\'; ++i) ++backslashes;
    if (i == arg.size()) {
      text.append(backslashes * 2, L'\\');
      break;
    }
    text.append(arg[i] == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    text += arg[i];
  }
  return text + L"\"";
}

inline HANDLE inheritable(const std::filesystem::path& file, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  return CreateFileW(file.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace run_command_detail

// Runs `program` (a path, or a name the search path finds) in `folder`, which receives the
// files "in", "out" and "err". Status 127 when there is no such program; -1 when it is still
// running after `limitMs`, and then it is ended.
inline CommandOutcome runCommand(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& input, const std::filesystem::path& folder,
                                 int limitMs = 10000) {
  using namespace run_command_detail;
  writeFile(folder / "in", input);
  std::wstring line = quoted(wide(program));
  for (const std::string& arg : args) line += L" " + quoted(wide(arg));
  const HANDLE in = inheritable(folder / "in", GENERIC_READ, OPEN_EXISTING);
  const HANDLE out = inheritable(folder / "out", GENERIC_WRITE, CREATE_ALWAYS);
  const HANDLE err = inheritable(folder / "err", GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                      folder.c_str(), &startup, &process);
  for (const HANDLE file : {in, out, err}) CloseHandle(file);
  if (!started) return {127, "", ""};
  DWORD status = 0;
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(limitMs)) != WAIT_OBJECT_0) {
    TerminateProcess(process.hProcess, 1);
    WaitForSingleObject(process.hProcess, INFINITE);
  } else if (GetExitCodeProcess(process.hProcess, &status)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return {static_cast<int>(status), readText(folder / "out"), readText(folder / "err")};
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return {-1, readText(folder / "out"), readText(folder / "err")};
}

}  // namespace tz::test
