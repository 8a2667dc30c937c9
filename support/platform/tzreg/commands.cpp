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

int fail(PlatformError error) {
  switch (error) {
    case PlatformError::FileNotFound:
    case PlatformError::PathNotFound:
      return fail("ERROR: The system was unable to find the specified registry key or value.");
    case PlatformError::AccessDenied:
      return fail("ERROR: Access is denied.");
    case PlatformError::InvalidParameter:
      return fail("ERROR: The parameter is incorrect.");
    case PlatformError::BadDatabase:
      return fail("ERROR: The configuration registry database is corrupt.");
    case PlatformError::KeyDeleted:
      return fail(
          "ERROR: Illegal operation attempted on a registry key that has been marked "
          "for deletion.");
    default:
      return fail("ERROR: System error " + std::to_string(static_cast<uint32_t>(error)) + ".");
  }
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
  return name.empty() ? "(Default)" : name;
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

PlatformError printValues(const RegistryKey& key) {
  Entry entry;
  for (uint32_t i = 0;; ++i) {
    const PlatformError error =
        fetch([&](void* data,
                  uint32_t* size) { return key.enumValue(i, entry.name, &entry.type, data, size); },
              entry.data);
    if (error == PlatformError::NoMoreItems) return PlatformError::Success;
    if (!succeeded(error)) return error;
    printValue(entry);
  }
}

PlatformError subKeyNames(const RegistryKey& key, std::vector<std::string>& names) {
  for (uint32_t i = 0;; ++i) {
    const PlatformError error = key.enumSubKey(i, names.emplace_back());
    if (error == PlatformError::NoMoreItems) {
      names.pop_back();
      return PlatformError::Success;
    }
    if (!succeeded(error)) return error;
  }
}

// Shows the key (with `valueName` only the keys holding that value) and its sub keys.
PlatformError queryTree(const RegistryKey& key, const std::string& keyName,
                        const std::optional<std::string>& valueName, int& matches) {
  if (valueName) {
    Entry entry;
    const PlatformError error = readValue(key, *valueName, entry);
    if (!succeeded(error) && error != PlatformError::FileNotFound) return error;
    if (succeeded(error)) {
      std::printf("\n%s\n", keyName.c_str());
      printValue(entry);
      ++matches;
    }
  } else {
    std::printf("\n%s\n", keyName.c_str());
    if (const PlatformError error = printValues(key); !succeeded(error)) return error;
  }
  std::vector<std::string> names;
  if (const PlatformError error = subKeyNames(key, names); !succeeded(error)) return error;
  for (const std::string& name : names) {
    RegistryKey subKey;
    const PlatformError error = key.openSubKey(name, subKey);
    if (error == PlatformError::FileNotFound) continue;  // deleted meanwhile
    if (!succeeded(error)) return error;
    if (const PlatformError error = queryTree(subKey, keyName + "\\" + name, valueName, matches);
        !succeeded(error))
      return error;
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
  int matches = 0;
  if (line.recursive) {
    if (const PlatformError error = queryTree(key, line.keyName, line.valueName, matches);
        !succeeded(error))
      return fail(error);
    if (line.valueName)
      std::printf("\nEnd of search: %d match(es) found.\n", matches);
    else
      std::printf("\n");
    return 0;
  }
  if (line.valueName) {
    Entry entry;
    const PlatformError error = readValue(key, *line.valueName, entry);
    if (!succeeded(error)) return fail(error);
    std::printf("\n%s\n", line.keyName.c_str());
    printValue(entry);
    std::printf("\n");
    return 0;
  }
  std::vector<std::string> names;
  std::printf("\n%s\n", line.keyName.c_str());
  if (const PlatformError error = printValues(key); !succeeded(error)) return fail(error);
  std::printf("\n");
  if (const PlatformError error = subKeyNames(key, names); !succeeded(error)) return fail(error);
  for (const std::string& name : names) std::printf("%s\\%s\n", line.keyName.c_str(), name.c_str());
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
    if (!line.force && !confirm("Delete all values under the registry key " + line.keyName))
      return fail("The operation was cancelled by the user.");
    for (std::string name;;) {
      PlatformError error = key.enumValue(0, name, nullptr, nullptr, nullptr);
      if (error == PlatformError::NoMoreItems) return succeed();
      if (succeeded(error)) error = key.deleteValue(name);
      if (!succeeded(error)) return fail(error);
    }
  }
  if (!line.force && !confirm("Permanently delete the registry key " + line.keyName))
    return fail("The operation was cancelled by the user.");
  const PlatformError error = RegistryKey::deleteKey(line.root, line.path);
  return succeeded(error) ? succeed() : fail(error);
}

}  // namespace tz::tzreg
