#include "windows/registry_snapshot.h"

#include <cstdio>
#include <cstring>

#include "registry.h"

namespace qlx::fake {
namespace {

std::wstring Describe(DWORD type, const std::vector<BYTE>& data) {
  switch (type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
      std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
      while (!text.empty() && text.back() == L'\0') text.pop_back();
      return (type == REG_SZ ? L"sz:" : L"expand_sz:") + text;
    }
    case REG_DWORD: {
      DWORD value = 0;
      if (data.size() >= sizeof value) std::memcpy(&value, data.data(), sizeof value);
      return L"dword:" + std::to_wstring(value);
    }
    default: {
      std::wstring out = L"type" + std::to_wstring(type) + L":";
      for (BYTE b : data) {
        wchar_t hex[4];
        std::swprintf(hex, 4, L"%02x", b);
        out += hex;
      }
      return out;
    }
  }
}

void Walk(HKEY root, const std::wstring& path, RegistrySnapshot& out) {
  win::RegKey key = win::RegKey::Open(root, path);
  if (!key) return;
  out[path] = L"";
  for (DWORD i = 0;; ++i) {
    wchar_t name[16384];
    DWORD name_length = 16384;
    DWORD type = 0;
    DWORD size = 0;
    if (RegEnumValueW(key.get(), i, name, &name_length, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
    std::vector<BYTE> data(size + 2);
    DWORD data_size = size;
    name_length = 16384;
    if (RegEnumValueW(key.get(), i, name, &name_length, nullptr, &type, data.data(), &data_size) != ERROR_SUCCESS) {
      break;
    }
    data.resize(data_size);
    out[path + L"\\:" + std::wstring(name, name_length)] = Describe(type, data);
  }
  std::vector<std::wstring> subkeys;
  for (DWORD i = 0;; ++i) {
    wchar_t name[256];
    DWORD name_length = 256;
    if (RegEnumKeyExW(key.get(), i, name, &name_length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    subkeys.emplace_back(name, name_length);
  }
  for (const std::wstring& sub : subkeys) Walk(root, path.empty() ? sub : path + L"\\" + sub, out);
}

}  // namespace

RegistrySnapshot TakeSnapshot(HKEY root, const std::wstring& path) {
  RegistrySnapshot out;
  Walk(root, path, out);
  return out;
}

std::vector<std::wstring> Difference(const RegistrySnapshot& before, const RegistrySnapshot& after) {
  std::vector<std::wstring> out;
  for (const auto& [entry, data] : before) {
    auto it = after.find(entry);
    if (it == after.end()) {
      out.push_back(L"- " + entry + (data.empty() ? L"" : L" = " + data));
    } else if (it->second != data) {
      out.push_back(L"~ " + entry + L": " + data + L" -> " + it->second);
    }
  }
  for (const auto& [entry, data] : after) {
    if (!before.count(entry)) out.push_back(L"+ " + entry + (data.empty() ? L"" : L" = " + data));
  }
  return out;
}

void CopyTree(HKEY from_root, HKEY to_root, const std::wstring& path) {
  win::RegKey from = win::RegKey::Open(from_root, path);
  if (!from) throw VbError(vberr::kInvalidCall, u"No key to copy");
  win::RegKey to = win::RegKey::Create(to_root, path);
  const LSTATUS status = RegCopyTreeW(from.get(), nullptr, to.get());
  if (status != ERROR_SUCCESS) throw VbError(75, u"The key cannot be copied (code " + Str(status) + u")");
}

}  // namespace qlx::fake
