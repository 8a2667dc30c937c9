#include "child_process.h"

#include <windows.h>

#include "support/platform/text_encoding.h"

namespace tz::test {
namespace {

std::wstring wideText(const std::string& text) {
  const std::u16string wide = platform::utf16FromUtf8(text);
  return std::wstring(wide.begin(), wide.end());
}

// The quoting that the C runtime's argument parser undoes.
std::wstring quoted(const std::wstring& arg) {
  std::wstring text = L"\"";
  size_t slashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++slashes;
      continue;
    }
    text.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
    slashes = 0;
    text += c;
  }
  return text.append(2 * slashes, L'\\') + L"\"";
}

std::wstring environmentBlock(const std::vector<std::string>& env) {
  std::wstring block;
  std::vector<std::wstring> names;
  for (const std::string& entry : env) {
    const std::wstring wide = wideText(entry);
    names.push_back(wide.substr(0, wide.find(L'=') + 1));
    block.append(wide).push_back(L'\0');
  }
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry != L'\0'; entry += wcslen(entry) + 1) {
    bool replaced = false;
    for (const std::wstring& name : names)
      replaced = replaced || _wcsnicmp(entry, name.c_str(), name.size()) == 0;
    if (!replaced) block.append(entry).push_back(L'\0');
  }
  FreeEnvironmentStringsW(own);
  block.push_back(L'\0');
  return block;
}

}  // namespace

std::string programPath() {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  return platform::utf8FromUtf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(path), length));
}

ChildProcess::ChildProcess(std::vector<std::string> argv, std::vector<std::string> env,
                           const std::filesystem::path& out, const std::filesystem::path& err) {
  std::wstring command;
  for (const std::string& arg : argv) command += quoted(wideText(arg)) + L' ';
  std::wstring block = environmentBlock(env);
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  const auto open = [&](const std::filesystem::path& file, DWORD standard) {
    return file.empty() ? GetStdHandle(standard)
                        : CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  };
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = open(out, STD_OUTPUT_HANDLE);
  startup.hStdError = open(err, STD_ERROR_HANDLE);
  PROCESS_INFORMATION started{};
  if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                     block.data(), nullptr, &startup, &started)) {
    process_ = started.hProcess;
    pid_ = static_cast<int>(started.dwProcessId);
    CloseHandle(started.hThread);
  }
  if (!out.empty()) CloseHandle(startup.hStdOutput);
  if (!err.empty()) CloseHandle(startup.hStdError);
}

ChildProcess::~ChildProcess() {
  kill9();
  if (process_ != nullptr) CloseHandle(process_);
}

int ChildProcess::wait(int timeoutMs) {
  if (process_ == nullptr || exited_) return status_;
  DWORD code = 0;
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process_, &code))
    return -1;
  exited_ = true;
  status_ = static_cast<int>(code);
  return status_;
}

void ChildProcess::kill9() {
  if (process_ == nullptr || exited_) return;
  TerminateProcess(process_, 137);
  wait();
}

}  // namespace tz::test
