#include "spawned_process.h"

#include <windows.h>

#include <algorithm>
#include <cwctype>

namespace tz::test {
namespace {

std::wstring wide(const std::string& text) {
  if (text.empty()) return {};
  const int length =
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), length);
  return out;
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
void appendQuoted(std::wstring& line, const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    line += argument;
    return;
  }
  line += L'"';
  size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    // Backslashes before a quote double, and the quote itself is escaped.
    line.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    line += c;
  }
  line.append(backslashes * 2, L'\\');  // before the closing quote
  line += L'"';
}

// A file for the child's output, created afresh, or a copy of our own handle.
HANDLE inheritableOutput(const std::filesystem::path& file, DWORD own) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  if (!file.empty())
    return CreateFileW(file.wstring().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE copy = nullptr;
  const HANDLE mine = GetStdHandle(own);
  if (mine == nullptr || mine == INVALID_HANDLE_VALUE ||
      !DuplicateHandle(GetCurrentProcess(), mine, GetCurrentProcess(), &copy, 0, TRUE,
                       DUPLICATE_SAME_ACCESS))
    return nullptr;
  return copy;
}

// The entries given, then ours whose names they do not give; sorted by name, as the system
// expects, and case-insensitively, as it compares names.
std::wstring environmentBlock(const std::vector<std::string>& env) {
  std::vector<std::wstring> entries;
  auto nameOf = [](const std::wstring& entry) {
    std::wstring name = entry.substr(0, entry.find(L'=', 1));
    std::transform(name.begin(), name.end(), name.begin(), ::towupper);
    return name;
  };
  for (const std::string& entry : env) entries.push_back(wide(entry));
  const size_t given = entries.size();
  wchar_t* own = GetEnvironmentStringsW();
  for (const wchar_t* entry = own; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring text(entry);
    const bool overridden =
        std::any_of(entries.begin(), entries.begin() + given,
                    [&](const std::wstring& e) { return nameOf(e) == nameOf(text); });
    if (!overridden) entries.push_back(text);
  }
  FreeEnvironmentStringsW(own);
  std::stable_sort(
      entries.begin(), entries.end(),
      [&](const std::wstring& a, const std::wstring& b) { return nameOf(a) < nameOf(b); });
  std::wstring block;
  for (const std::wstring& entry : entries) block.append(entry).push_back(L'\0');
  block.push_back(L'\0');
  return block;
}

}  // namespace

bool waitUntilEnded(int pid, int timeoutMs) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;  // no such process any more
  const bool ended = WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

SpawnedProcess::~SpawnedProcess() {
  if (process_ != nullptr) CloseHandle(process_);
}

std::string SpawnedProcess::ownExecutable() {
  wchar_t path[MAX_PATH * 4];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
  return std::filesystem::path(std::wstring(path, length)).string();
}

bool SpawnedProcess::start(const std::vector<std::string>& argv,
                           const std::vector<std::string>& env, const std::filesystem::path& out,
                           const std::filesystem::path& err) {
  if (argv.empty()) return false;
  std::wstring line;
  for (const std::string& argument : argv) {
    if (!line.empty()) line += L' ';
    appendQuoted(line, wide(argument));
  }
  const std::wstring program = wide(argv[0]);
  std::wstring block = environmentBlock(env);
  HANDLE handles[3] = {inheritableOutput({}, STD_INPUT_HANDLE),
                       inheritableOutput(out, STD_OUTPUT_HANDLE),
                       inheritableOutput(err, STD_ERROR_HANDLE)};
  std::vector<HANDLE> inherited;
  for (const HANDLE handle : handles)
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) inherited.push_back(handle);
  SIZE_T bytes = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &bytes);
  std::vector<unsigned char> attributes(bytes);
  auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  STARTUPINFOEXW info{};
  info.StartupInfo.cb = sizeof info;
  info.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  info.StartupInfo.hStdInput = handles[0];
  info.StartupInfo.hStdOutput = handles[1];
  info.StartupInfo.hStdError = handles[2];
  info.lpAttributeList = list;
  PROCESS_INFORMATION started{};
  bool ok = !inherited.empty() && InitializeProcThreadAttributeList(list, 1, 0, &bytes);
  if (ok) {
    ok = UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited.data(),
                                   inherited.size() * sizeof(HANDLE), nullptr, nullptr) &&
         CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                        CREATE_UNICODE_ENVIRONMENT | EXTENDED_STARTUPINFO_PRESENT, block.data(),
                        nullptr, &info.StartupInfo, &started);
    DeleteProcThreadAttributeList(list);
  }
  for (const HANDLE handle : inherited) CloseHandle(handle);
  if (!ok) return false;
  CloseHandle(started.hThread);
  process_ = started.hProcess;
  id_ = static_cast<int>(started.dwProcessId);
  return true;
}

bool SpawnedProcess::wait(int timeoutMs, int& status) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  if (!GetExitCodeProcess(process_, &code)) return false;
  status = static_cast<int>(code);
  return true;
}

void killProcess(int pid) {
  const HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return;
  TerminateProcess(process, 128 + 9);
  CloseHandle(process);
}

void SpawnedProcess::kill() {
  TerminateProcess(process_, 128 + 9);
}

}  // namespace tz::test
