#include "cli/settings_path.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "cli/platform.h"
#include "host/encoding.h"

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
    if (fs::is_regular_file(candidate, ec)) return candidate;
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
  if (status.type() != fs::file_type::regular) {
    throw std::runtime_error(name + ": the settings file is not a regular file");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    throw std::runtime_error(name + ": the settings file cannot be read (" + std::strerror(errno) + ")");
  }
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw std::runtime_error(name + ": the settings file cannot be read");
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
