#include "settings/ini_file.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "host/report.h"
#include "host/ui.h"
#include "host/vberror.h"
#include "settings/profile_file.h"

namespace qlx {
namespace {

// The buffer the settings pass to the platform: 255 bytes and a null.
constexpr std::size_t kBufferSize = 256;

std::filesystem::path ToPath(const Text& path) { return std::filesystem::path(path); }

int DigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'z') return c - u'a' + 10;
  if (c >= u'A' && c <= u'Z') return c - u'A' + 10;
  return 99;
}

}  // namespace

std::int32_t ParseProfileInteger(TextView value) {
  std::size_t i = 0;
  while (i < value.size() && value[i] <= u' ') ++i;
  bool negative = false;
  if (i < value.size() && (value[i] == u'+' || value[i] == u'-')) {
    negative = value[i] == u'-';
    ++i;
  }
  std::uint32_t base = 10;
  if (i + 1 < value.size() && value[i] == u'0') {
    const char16_t prefix = value[i + 1];
    base = prefix == u'x' ? 16 : prefix == u'o' ? 8 : prefix == u'b' ? 2 : 10;
    if (base != 10) i += 2;
  }
  std::uint32_t total = 0;  // wraps as the platform's unsigned result does
  for (; i < value.size(); ++i) {
    const int digit = DigitValue(value[i]);
    if (digit >= static_cast<int>(base)) break;
    total = total * base + static_cast<std::uint32_t>(digit);
  }
  if (negative) total = 0u - total;
  return static_cast<std::int32_t>(total);
}

Text CutToAnsiBytes(TextView text, std::size_t max_bytes, Converter& ansi) {
  std::string bytes = ansi.Encode(text);
  if (bytes.size() > max_bytes) {
    bytes.clear();
    for (std::size_t i = 0; i < text.size();) {
      const std::size_t n = CodePointAt(text, i).length;
      const std::string piece = ansi.Encode(text.substr(i, n));
      if (bytes.size() + piece.size() > max_bytes) break;
      bytes += piece;
      i += n;
    }
  }
  std::optional<Text> back = ansi.Decode(bytes);
  if (!back) throw VbError(vberr::kInvalidCall, u"A setting cannot be converted to the ANSI code page");
  return *back;
}

Text SettingsFilePath(const Text& directory) {
  Text path = directory;
  if (!path.empty() && path.back() != kPathSeparator) path += kPathSeparator;
  return path + u"QLX.ini";
}

PortableProfileStore::PortableProfileStore(std::string code_page)
    : encoding_{Encoding::Kind::kCodePage, std::move(code_page)} {}

std::int32_t PortableProfileStore::GetInt(const Text& section, const Text& key, std::int32_t default_value,
                                          const Text& path) {
  const std::optional<Text> value = ProfileFile::Load(ToPath(path), encoding_).Find(section, key);
  if (!value || value->empty()) return default_value;
  return ParseProfileInteger(*value);
}

Text PortableProfileStore::GetString(const Text& section, const Text& key, const Text& default_value,
                                     std::size_t buffer_size, const Text& path) {
  std::optional<Text> value = ProfileFile::Load(ToPath(path), encoding_).Find(section, key);
  if (!value) {
    value = default_value;
    while (!value->empty() && value->back() == u' ') value->pop_back();
  }
  if (buffer_size == 0) return Text();
  Converter ansi(encoding_);
  return CutToAnsiBytes(*value, buffer_size - 1, ansi);
}

bool PortableProfileStore::Write(const Text& section, const Text& key, const Text& value, const Text& path) {
  try {
    ProfileFile file = ProfileFile::Load(ToPath(path), encoding_);
    file.Set(section, key, value);
    file.Save();
    return true;
  } catch (const FileAccessError&) {
    return false;
  }
}

ModINIFile::ModINIFile(UiService& ui, Text settings_path, std::unique_ptr<ProfileStore> store)
    : ui_(ui), settings_path_(std::move(settings_path)), store_(std::move(store)) {}

std::int32_t ModINIFile::INIGetSettingInteger(const Text& section, const Text& key, const Text& file_path,
                                              std::int32_t default_value) {
  std::int32_t result = 0;
  Guarded(ui_, ReportForm::kError, u"INIGetSettingInteger", [&] {
    result = store_->GetInt(section, key, default_value, file_path);
  });
  return result;
}

Text ModINIFile::INIGetSettingString(const Text& section, const Text& key, const Text& file_path,
                                     const Text& default_value) {
  Text result;
  Guarded(ui_, ReportForm::kError, u"INIGetSettingString", [&] {
    result = store_->GetString(section, key, default_value, kBufferSize, file_path);
    // The platform's buffer ends at the first null character.
    result.resize(std::min(result.size(), result.find(u'\0')));
  });
  return result;
}

bool ModINIFile::INIWriteSetting(const Text& section, const Text& key, const Text& value, const Text& file_path) {
  bool written = false;
  Guarded(ui_, ReportForm::kError, u"INIWriteSetting", [&] {
    written = store_->Write(section, key, value, file_path);
  });
  return written;
}

}  // namespace qlx
