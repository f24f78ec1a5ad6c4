#pragma once

// The non-window ports in memory: files, registry, programs.

#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace sv::fakes {

// Files under one current directory, "C:\work". Reading is all the port
// can do, so a test sees any attempt to create a file as a missing entry.
class FakeFileSystem final : public platform::FileSystem {
 public:
  static constexpr char16_t kCurrentDirectory[] = u"C:\\work";

  Text FullPath(const Text& name) const override { return Text(kCurrentDirectory) + u"\\" + name; }

  platform::FileContents ReadWhole(const Text& path) const override {
    reads.push_back(path);
    if (throwOnRead) throw std::runtime_error("injected");
    auto it = files.find(path);
    if (it == files.end()) return {platform::ReadStatus::NotFound, {}};
    return it->second;
  }

  // A file of the current directory, readable, with these bytes.
  void Put(const Text& name, Bytes bytes) {
    files[FullPath(name)] = {platform::ReadStatus::Ok, std::move(bytes)};
  }
  // A file of the current directory that fails to read with `status`.
  void Fail(const Text& name, platform::ReadStatus status) { files[FullPath(name)] = {status, {}}; }
  void Remove(const Text& name) { files.erase(FullPath(name)); }

  std::map<Text, platform::FileContents> files;
  mutable std::vector<Text> reads;
  bool throwOnRead = false;
};

// Keys in memory. Status codes are the Win32 ones the real functions give.
class FakeRegistry final : public platform::Registry {
 public:
  static constexpr long kSuccess = 0;
  static constexpr long kFileNotFound = 2;
  static constexpr long kAccessDenied = 5;
  static constexpr long kInvalidHandle = 6;
  static constexpr long kMoreData = 234;

  struct Value {
    std::uint32_t type = 0;
    Bytes data;
  };

  long OpenKey(std::int32_t root, const Bytes& subKey, std::uint32_t access,
               platform::RegKey& key) override {
    opens.push_back({root, subKey, access});
    key = 0;
    auto it = keys.find({root, subKey});
    if (it == keys.end()) return kFileNotFound;
    if (access & ~allowedAccess) return kAccessDenied;
    key = nextKey++;
    open[key] = &it->second;
    return kSuccess;
  }

  long QueryValue(platform::RegKey key, const Bytes& name, std::uint32_t& type, unsigned char* data,
                  std::uint32_t& size) override {
    if (throwOnQuery) throw std::runtime_error("injected");
    auto k = open.find(key);
    if (k == open.end()) return kInvalidHandle;
    auto v = k->second->find(name);
    if (v == k->second->end()) return kFileNotFound;
    type = v->second.type;
    const auto needed = static_cast<std::uint32_t>(v->second.data.size());
    if (data == nullptr || needed > size) {
      size = needed;
      return data == nullptr ? kSuccess : kMoreData;
    }
    std::copy(v->second.data.begin(), v->second.data.end(), data);
    size = needed;
    return kSuccess;
  }

  long CloseKey(platform::RegKey key) override {
    closes.push_back(key);
    return open.erase(key) ? kSuccess : kInvalidHandle;
  }

  void Set(std::int32_t root, const Bytes& subKey, const Bytes& name, std::uint32_t type,
           Bytes data) {
    keys[{root, subKey}][name] = {type, std::move(data)};
  }
  void AddKey(std::int32_t root, const Bytes& subKey) { keys[{root, subKey}]; }

  struct Open {
    std::int32_t root;
    Bytes subKey;
    std::uint32_t access;
  };
  std::map<std::pair<std::int32_t, Bytes>, std::map<Bytes, Value>> keys;
  std::map<platform::RegKey, std::map<Bytes, Value>*> open;  // handles not yet closed
  std::vector<Open> opens;
  std::vector<platform::RegKey> closes;
  // The rights the user has on every key; asking for more is denied.
  std::uint32_t allowedAccess = 0xFFFFFFFF;
  platform::RegKey nextKey = 0x100;
  // QueryValue fails with an exception, as a broken port might.
  bool throwOnQuery = false;
};

// Programs: which paths exist as files, and which were started.
class FakeShell final : public platform::Shell {
 public:
  bool FileExists(const Text& path) const override {
    lookups.push_back(path);
    for (const auto& f : existing) {
      if (f == path) return true;
    }
    return false;
  }
  bool Start(const Text& path, const Text& folder) override {
    started.push_back(path);
    folders.push_back(folder);
    if (throwOnStart) throw std::runtime_error("injected");
    return startSucceeds;
  }

  std::vector<Text> existing;
  mutable std::vector<Text> lookups;
  std::vector<Text> started;
  std::vector<Text> folders;  // each start's current folder
  bool startSucceeds = true;
  bool throwOnStart = false;
};

}  // namespace sv::fakes
