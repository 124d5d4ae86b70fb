// Registry trees as flat maps, so a scenario can tell exactly which keys and
// values an operation added, removed or changed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "host/com/com_holders.h"

namespace qlx::fake {

// "path" -> "" for every key, "path\\:name" -> "type:data" for every value
// (the default value's name is empty). Paths are relative to root.
using RegistrySnapshot = std::map<std::wstring, std::wstring>;

RegistrySnapshot TakeSnapshot(HKEY root, const std::wstring& path);

// Lines "+ entry = data", "- entry = data", "~ entry: old -> new".
std::vector<std::wstring> Difference(const RegistrySnapshot& before, const RegistrySnapshot& after);

// Copies a key tree from one root to another (for the Wine mirror of the
// per-user classes).
void CopyTree(HKEY from_root, HKEY to_root, const std::wstring& path);

}  // namespace qlx::fake
