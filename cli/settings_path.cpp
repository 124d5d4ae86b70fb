#include "cli/settings_path.h"

#include <cstdlib>
#include <stdexcept>

#include "cli/platform.h"
#include "host/files/encoding.h"
#include "host/files/file_io.h"
#include "settings/profile_file.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace

Environment Environment::FromProcess() {
  Environment env;
  env.qlx_ini = Variable("QLX_INI");
  env.qlx_now = Variable("QLX_NOW");
  for (const char* name : {"LC_ALL", "LC_TIME", "LANG"}) {
    env.locale = Variable(name);
    if (!env.locale.empty()) break;
  }
  env.config = UserConfigPlaces{Variable("QLX_CONFIG_DIR"), Variable("XDG_CONFIG_HOME"), Variable("HOME")};
  return env;
}

const Environment& Environment::Current() {
  static const Environment env = FromProcess();
  return env;
}

namespace {

fs::path FoundSettingsPath(const std::string& ini_option, const fs::path& module_file, const Environment& env) {
  if (!ini_option.empty()) return ini_option;
  std::error_code ec;
  fs::path folder = module_file.string() == "-" ? fs::current_path(ec) : fs::absolute(module_file, ec).parent_path();
  while (!ec && !folder.empty()) {
    const fs::path candidate = folder / "QLX.ini";
    // Whatever is there under that name (a folder, a FIFO) is taken, to be
    // refused by name: a parent's file must not stand in for it silently.
    std::error_code candidate_ec;
    if (fs::status(candidate, candidate_ec).type() != fs::file_type::not_found) return candidate;
    if (fs::exists(folder / ".git", ec) || folder == folder.parent_path()) break;
    folder = folder.parent_path();
  }
  if (!env.qlx_ini.empty()) return env.qlx_ini;
  return DefaultSettingsPath(env.config);
}

}  // namespace

fs::path SettingsPath(const std::string& ini_option, const fs::path& module_file, const Environment& env) {
  return SettingsFileName(FoundSettingsPath(ini_option, module_file, env));
}

void CheckSettingsFile(const fs::path& path, bool must_exist, const std::string& code_page) {
  const std::string name = path.string();
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::not_found) {
    if (must_exist) throw std::runtime_error(name + ": no such settings file");
    return;
  }
  // A folder that cannot be searched hides whether the file is there at all.
  if (ec) throw std::runtime_error(name + ": the settings file cannot be read (" + ec.message() + ")");
  const auto not_regular = [&] { return std::runtime_error(name + ": the settings file is not a regular file"); };
  if (status.type() != fs::file_type::regular) throw not_regular();
  const auto too_large = [&](const std::string& size) {
    return std::runtime_error(name + ": the settings file is too large (" + size + "; a settings file holds at most " +
                              kMaxSettingsFileSizeText + ")");
  };
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!ec && size > kMaxSettingsFileSize) throw too_large(std::to_string(size) + " bytes");
  std::string bytes;
  try {
    FileStamp stamp;
    bytes = ReadFileStamped(path, kMaxSettingsFileSize, stamp);
  } catch (const FileError& e) {
    if (e.reason() == FileError::Reason::kNotRegular) throw not_regular();
    if (e.reason() == FileError::Reason::kTooLarge) throw too_large("over " + std::to_string(kMaxSettingsFileSize) + " bytes");
    throw std::runtime_error(name + ": the settings file cannot be read (" + (e.cause().empty() ? e.what() : e.cause()) +
                             ")");
  }
  if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
    throw std::runtime_error(name + ": the settings file is stored in UTF-16; save it as UTF-8 or " + code_page);
  }
  if (IsBinary(bytes)) {
    throw std::runtime_error(name + ": the settings file is binary (it holds NUL bytes), not text");
  }
  std::string_view text = bytes;
  if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
  const Encoding encoding = DetectEncoding(text, code_page);
  bool decodes = true;
  try {
    Converter converter(bytes.starts_with(kUtf8Bom) ? Encoding{Encoding::Kind::kUtf8Bom, code_page} : encoding);
    decodes = converter.Decode(text).has_value();
  } catch (const FileError& e) {
    throw std::runtime_error(e.what());
  }
  if (!decodes) {
    throw std::runtime_error(name + ": the settings file is neither UTF-8 nor " + code_page + " text");
  }
}

}  // namespace qlx::cli
