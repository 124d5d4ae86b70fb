#include "cli/check_baseline.h"

#include <nlohmann/json.hpp>

#include "cli/errors.h"
#include "host/files/encoding.h"
#include "host/files/file_io.h"
#include "host/files/module_file.h"

namespace qlx::cli {

namespace fs = std::filesystem;

namespace {

constexpr int kVersion = 1;
// Far beyond the baseline of any code base; bounds what is read.
constexpr std::uintmax_t kMaxSize = 256u << 20;

}  // namespace

Baseline Baseline::Read(const fs::path& path) {
  std::string bytes;
  try {
    FileStamp stamp;
    bytes = ReadFileStamped(path, kMaxSize, stamp);
  } catch (const std::exception& e) {
    throw UsageError(std::string("the baseline ") + e.what());
  }
  const std::string where = path.string() + ": not a qlx baseline: ";
  nlohmann::json root;
  try {
    root = nlohmann::json::parse(bytes);
  } catch (const nlohmann::json::parse_error& e) {
    // The library's message less its "[json.exception.parse_error.101] " tag.
    std::string what = e.what();
    if (const std::size_t tag = what.find("] "); what.starts_with("[json.exception") && tag != std::string::npos) {
      what.erase(0, tag + 2);
    }
    throw UsageError(where + what);
  }
  if (!root.is_object()) throw UsageError(where + "it is not a JSON object");
  const auto version = root.find("version");
  if (version == root.end() || !version->is_number_integer() || version->get<long long>() != kVersion) {
    throw UsageError(where + "\"version\" must be 1");
  }
  const auto findings = root.find("findings");
  if (findings == root.end() || !findings->is_array()) throw UsageError(where + "\"findings\" must be an array");
  Baseline baseline;
  std::size_t index = 0;
  for (const nlohmann::json& entry : *findings) {
    ++index;
    const std::string at = where + "entry " + std::to_string(index) + ": ";
    if (!entry.is_object()) throw UsageError(at + "it is not a JSON object");
    const auto text = [&](const char* key, bool required) {
      const auto it = entry.find(key);
      if (it == entry.end()) {
        if (required) throw UsageError(at + "\"" + key + "\" is missing");
        return std::string();
      }
      if (!it->is_string()) throw UsageError(at + "\"" + key + "\" must be a string");
      return it->get<std::string>();
    };
    BaselineKey key{text("file", true), text("module", false), text("rule", true), text("procedure", true)};
    if (key.file.empty()) throw UsageError(at + "\"file\" is empty");
    const auto count = entry.find("count");
    if (count == entry.end() || !count->is_number_integer() || count->get<long long>() < 1) {
      throw UsageError(at + "\"count\" must be a whole number of at least 1");
    }
    baseline.counts[std::move(key)] += count->get<long long>();
  }
  return baseline;
}

std::string Baseline::Json() const {
  nlohmann::ordered_json findings = nlohmann::ordered_json::array();
  for (const auto& [key, count] : counts) {
    nlohmann::ordered_json entry;
    entry["file"] = key.file;
    if (!key.module.empty()) entry["module"] = key.module;
    entry["rule"] = key.rule;
    entry["procedure"] = key.procedure;
    entry["count"] = count;
    findings.push_back(std::move(entry));
  }
  nlohmann::ordered_json root;
  root["version"] = kVersion;
  root["findings"] = std::move(findings);
  // A name that is not UTF-8 is kept with U+FFFD in its place: the entry then
  // matches nothing, and its finding is reported as new.
  return root.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

void Baseline::Write(const fs::path& path) const {
  try {
    WriteFileReplacing(path, Json());
  } catch (const std::exception& e) {
    throw UsageError(std::string("the baseline ") + e.what());
  }
}

std::string BaselineFileName(const fs::path& file, const fs::path& baseline) {
  std::error_code ec;
  const fs::path whole = fs::absolute(file, ec).lexically_normal();
  const fs::path folder = fs::absolute(baseline, ec).lexically_normal().parent_path();
  const fs::path relative = whole.lexically_relative(folder);
  return (relative.empty() ? whole : relative).generic_string();
}

}  // namespace qlx::cli
