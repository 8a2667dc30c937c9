// Without /f, replacing or deleting asks (Yes/No) on stdin. The end of input counts as No,
// so that a script that forgot /f changes nothing, and a cancelled operation exits with 1.
#include "support/platform/tzreg/commands.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "support/platform/tzreg/value_text.h"

namespace tz::tzreg {

using platform::PlatformError;
using platform::RegistryKey;
using platform::RegistryType;

namespace {

struct Entry {
  std::string name;
  RegistryType type = RegistryType::String;
  std::string data;
};

int fail(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s\n", message.c_str());
  return 1;
}

std::string describe(PlatformError error) {
  switch (error) {
    case PlatformError::FileNotFound:
    case PlatformError::PathNotFound:
      return "The system was unable to find the specified registry key or value.";
    case PlatformError::AccessDenied:
      return "Access is denied.";
    case PlatformError::InvalidParameter:
      return "The parameter is incorrect.";
    case PlatformError::BadDatabase:
      return "The configuration registry database is corrupt.";
    case PlatformError::KeyDeleted:
      return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case PlatformError::OutOfMemory:
      return "Not enough storage is available to complete this operation.";
    case PlatformError::Timeout:
      return "This operation returned because the timeout period expired.";
    default:
      return "System error " + std::to_string(static_cast<uint32_t>(error)) + ".";
  }
}

int fail(PlatformError error) {
  return fail("ERROR: " + describe(error));
}

int succeed() {
  std::printf("The operation completed successfully.\n");
  return 0;
}

bool confirm(const std::string& question) {
  for (;;) {
    std::printf("%s (Yes/No)? ", question.c_str());
    std::fflush(stdout);
    std::string answer;
    if (!std::getline(std::cin, answer)) {
      std::printf("\n");
      return false;
    }
    std::string word;
    for (const char c : answer)
      if (!std::isspace(static_cast<unsigned char>(c)))
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (word == "Y" || word == "YES") return true;
    if (word == "N" || word == "NO") return false;
  }
}

std::string shownName(const std::string& name) {
  return name.empty() ? "(Default)" : shownText(name);
}

void printKeyName(const std::string& keyName) {
  std::printf("\n%s\n", shownText(keyName).c_str());
}

// Reads with a buffer grown to the size asked for until the value fits: it may grow
// between two calls.
template <typename Read>
PlatformError fetch(Read read, std::string& data) {
  data.clear();
  for (;;) {
    auto size = static_cast<uint32_t>(data.size());
    const PlatformError error = read(data.data(), &size);
    if (error != PlatformError::MoreData) {
      if (succeeded(error)) data.resize(size);
      return error;
    }
    data.resize(size);
  }
}

PlatformError readValue(const RegistryKey& key, const std::string& name, Entry& entry) {
  entry.name = name;
  return fetch(
      [&](void* data, uint32_t* size) { return key.queryValue(name, &entry.type, data, size); },
      entry.data);
}

void printValue(const Entry& entry) {
  std::printf("    %s    %s    %s\n", shownName(entry.name).c_str(), typeName(entry.type).c_str(),
              showData(entry.type, entry.data).c_str());
}

PlatformError readEntries(const RegistryKey& key, std::vector<Entry>& entries) {
  for (uint32_t i = 0;; ++i) {
    Entry entry;
    const PlatformError error =
        fetch([&](void* data,
                  uint32_t* size) { return key.enumValue(i, entry.name, &entry.type, data, size); },
              entry.data);
    if (error == PlatformError::NoMoreItems) return PlatformError::Success;
    if (!succeeded(error)) return error;
    entries.push_back(std::move(entry));
  }
}

PlatformError subKeyNames(const RegistryKey& key, std::vector<std::string>& names) {
  for (uint32_t i = 0;; ++i) {
    std::string name;
    const PlatformError error = key.enumSubKey(i, name);
    if (error == PlatformError::NoMoreItems) return PlatformError::Success;
    if (!succeeded(error)) return error;
    names.push_back(std::move(name));
  }
}

// Shows the key, or with `valueName` the value when the key holds it; a key it cannot read
// shows nothing.
PlatformError showKey(const RegistryKey& key, const std::string& keyName,
                      const std::optional<std::string>& valueName, int& matches) {
  std::vector<Entry> entries;
  const PlatformError error =
      valueName ? readValue(key, *valueName, entries.emplace_back()) : readEntries(key, entries);
  if (valueName && error == PlatformError::FileNotFound) return PlatformError::Success;
  if (!succeeded(error)) return error;
  printKeyName(keyName);
  for (const Entry& entry : entries) printValue(entry);
  if (valueName) ++matches;
  return PlatformError::Success;
}

struct TreeCounts {
  int matches = 0;
  int failures = 0;
};

// Shows the key and its sub keys. A key that cannot be read gets one error line, and the walk
// goes on with the rest; only a lock time-out ends it, since every further key would wait as
// long again.
PlatformError queryTree(const RegistryKey& key, const std::string& keyName,
                        const std::optional<std::string>& valueName, TreeCounts& counts) {
  PlatformError error = showKey(key, keyName, valueName, counts.matches);
  std::vector<std::string> names;
  if (error != PlatformError::Timeout) {
    const PlatformError listed = subKeyNames(key, names);
    if (succeeded(error)) error = listed;
  }
  if (error == PlatformError::Timeout) return error;
  auto report = [&](const std::string& name, PlatformError failure) {
    fail("ERROR: " + shownText(name) + ": " + describe(failure));
    ++counts.failures;
  };
  if (!succeeded(error)) report(keyName, error);
  for (const std::string& name : names) {
    const std::string subKeyName = keyName + "\\" + name;
    RegistryKey subKey;
    error = key.openSubKey(name, subKey);
    if (error == PlatformError::FileNotFound) continue;  // deleted meanwhile
    if (succeeded(error)) error = queryTree(subKey, subKeyName, valueName, counts);
    if (error == PlatformError::Timeout) return error;
    if (!succeeded(error)) report(subKeyName, error);
  }
  return PlatformError::Success;
}

}  // namespace

int runAdd(const CommandLine& line) {
  auto type = RegistryType::String;
  std::string data, message;
  const bool writesValue = line.valueName || line.type || line.data;
  if (line.type && !(message = parseType(*line.type, type)).empty()) return fail(message);
  if (writesValue && !(message = parseData(type, line.data.value_or(""), data)).empty())
    return fail(message);
  RegistryKey key;
  if (const PlatformError error = RegistryKey::create(line.root, line.path, key); !succeeded(error))
    return fail(error);
  if (!writesValue) return succeed();
  const std::string name = line.valueName.value_or("");
  const bool exists = succeeded(key.queryValue(name, nullptr, nullptr, nullptr));
  if (exists && !line.force && !confirm("Value " + shownName(name) + " exists, overwrite"))
    return fail("The operation was cancelled by the user.");
  const PlatformError error =
      key.setValue(name, type, data.data(), static_cast<uint32_t>(data.size()));
  return succeeded(error) ? succeed() : fail(error);
}

int runQuery(const CommandLine& line) {
  RegistryKey key;
  if (const PlatformError error = RegistryKey::open(line.root, line.path, key); !succeeded(error))
    return fail(error);
  if (line.recursive) {
    TreeCounts counts;
    if (const PlatformError error = queryTree(key, line.keyName, line.valueName, counts);
        !succeeded(error))
      return fail(error);
    if (line.valueName)
      std::printf("\nEnd of search: %d match(es) found.\n", counts.matches);
    else
      std::printf("\n");
    return counts.failures ? 1 : 0;
  }
  // Read whole before anything shows, so that a failure prints its error line alone.
  std::vector<Entry> entries;
  std::vector<std::string> names;
  PlatformError error = line.valueName ? readValue(key, *line.valueName, entries.emplace_back())
                                       : readEntries(key, entries);
  if (succeeded(error) && !line.valueName) error = subKeyNames(key, names);
  if (!succeeded(error)) return fail(error);
  printKeyName(line.keyName);
  for (const Entry& entry : entries) printValue(entry);
  std::printf("\n");
  for (const std::string& name : names)
    std::printf("%s\n", shownText(line.keyName + "\\" + name).c_str());
  return 0;
}

int runDelete(const CommandLine& line) {
  RegistryKey key;
  if (const PlatformError error = RegistryKey::open(line.root, line.path, key); !succeeded(error))
    return fail(error);
  if (line.valueName) {
    const std::string& name = *line.valueName;
    if (const PlatformError error = key.queryValue(name, nullptr, nullptr, nullptr);
        !succeeded(error))
      return fail(error);
    if (!line.force && !confirm("Delete the registry value " + shownName(name)))
      return fail("The operation was cancelled by the user.");
    const PlatformError error = key.deleteValue(name);
    return succeeded(error) ? succeed() : fail(error);
  }
  if (line.allValues) {
    if (!line.force &&
        !confirm("Delete all values under the registry key " + shownText(line.keyName)))
      return fail("The operation was cancelled by the user.");
    for (std::string name;;) {
      PlatformError error = key.enumValue(0, name, nullptr, nullptr, nullptr);
      if (error == PlatformError::NoMoreItems) return succeed();
      if (succeeded(error)) error = key.deleteValue(name);
      if (!succeeded(error)) return fail(error);
    }
  }
  if (!line.force && !confirm("Permanently delete the registry key " + shownText(line.keyName)))
    return fail("The operation was cancelled by the user.");
  const PlatformError error = RegistryKey::deleteKey(line.root, line.path);
  return succeeded(error) ? succeed() : fail(error);
}

}  // namespace tz::tzreg
