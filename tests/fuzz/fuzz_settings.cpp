// The settings reader on a fuzzed settings file: reading never throws past
// ModINIFile (failures are message boxes), an unchanged profile renders
// byte for byte, and setting one key changes that key only.
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>

#include "fuzz_support.h"
#include "host/ui.h"
#include "settings/ini_file.h"
#include "settings/profile_file.h"

namespace {

using qlx::Text;
using qlx::fuzz::Check;

struct Key {
  const char16_t* section;
  const char16_t* key;
};
constexpr std::array<Key, 6> kKeys{{{u"Author", u"Name"},
                                    {u"Mode", u"IgnoreMode"},
                                    {u"Mode", u"UnUndoMode"},
                                    {u"Mode", u"SleepTime"},
                                    {u"Mode", u"ErrInsertPos"},
                                    {u"Form", u"Left"}}};

// In memory where the system has a tmpfs: every run writes the file twice.
std::filesystem::path TempPath(const char* name) {
  std::error_code ec;
  const std::filesystem::path dir =
      std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
  return dir / ("qlx-fuzz-" + std::to_string(::getpid()) + "-" + name + ".ini");
}

struct RemoveAtExit {
  std::filesystem::path path;
  ~RemoveAtExit() {
    std::error_code ec;
    std::filesystem::remove(path, ec);
  }
};

void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  Check(static_cast<bool>(out), "cannot write " + path.string());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const RemoveAtExit settings{TempPath("settings")};
  static const RemoveAtExit changed{TempPath("changed")};
  const std::filesystem::path& path = settings.path;
  const std::filesystem::path& changed_path = changed.path;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  WriteBytes(path, bytes);
  const Text file = qlx::FromUtf8(path.string());

  // As the commands read the settings.
  qlx::RecordingUi ui;
  qlx::ModINIFile ini(ui, file);
  ini.INIGetSettingString(u"Author", u"Name", file, u"");
  ini.INIGetSettingInteger(u"Mode", u"SleepTime", file, 0);
  Text raw;
  for (char c : bytes) raw += static_cast<char16_t>(static_cast<unsigned char>(c));
  qlx::ParseProfileInteger(raw);

  // As the tool window writes them back.
  const qlx::Encoding cp932;
  std::optional<qlx::ProfileFile> profile;
  try {
    profile.emplace(qlx::ProfileFile::Load(path, cp932));
  } catch (const qlx::VbError&) {
    return 0;
  }
  Check(profile->Render() == bytes, "an unchanged settings file does not render byte for byte");
  std::array<std::optional<Text>, kKeys.size()> values;
  for (std::size_t i = 0; i < kKeys.size(); ++i) values[i] = profile->Find(kKeys[i].section, kKeys[i].key);

  const std::size_t chosen = qlx::fuzz::Hash(data, size) % kKeys.size();
  const Text value = u"値 42";
  profile->Set(kKeys[chosen].section, kKeys[chosen].key, value);
  WriteBytes(changed_path, profile->Render());
  const qlx::ProfileFile again = qlx::ProfileFile::Load(changed_path, cp932);
  for (std::size_t i = 0; i < kKeys.size(); ++i) {
    const std::optional<Text> now = again.Find(kKeys[i].section, kKeys[i].key);
    const std::string name = qlx::ToUtf8(kKeys[i].section) + "/" + qlx::ToUtf8(kKeys[i].key);
    if (i == chosen) {
      Check(now == value, "the value set for " + name + " reads back as " + (now ? qlx::fuzz::Quote(*now) : "nothing"));
    } else {
      Check(now == values[i], "setting " + qlx::ToUtf8(kKeys[chosen].key) + " changed " + name);
    }
  }
  return 0;
}
