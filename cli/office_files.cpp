#include "cli/office_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <vector>

#include "cli/command_support.h"
#include "cli/names.h"
#include "host/encoding.h"
#include "host/text.h"
#include "office/module_export.h"
#include "office/ovba_compression.h"
#include "office/project_modules.h"

namespace qlx::cli {

namespace fs = std::filesystem;
using office::OfficeDocument;
using office::OfficeError;

namespace {

// A module name is an identifier: it never names another folder.
bool SafeFileStem(const std::string& name) {
  return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x80 || std::isalnum(u) || c == '_';
  });
}

// CR LF after every line, as a module stream holds them; files kept in git
// may have lost their CRs.
std::string WithCrLf(const std::string& bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 32);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) out.push_back('\r');
    out.push_back(bytes[i]);
  }
  return out;
}

// The VB_Name of a module's source, as its bytes hold it.
std::optional<std::string> VbName(const std::string& source) {
  std::size_t pos = 0;
  while (pos < source.size()) {
    const std::size_t end = std::min(source.find('\n', pos), source.size());
    std::string line = source.substr(pos, end - pos);
    pos = end + 1;
    const std::string key = "attribute vb_name = \"";
    if (AsciiLower(line).rfind(key, 0) == 0) {
      const std::size_t close = line.find('"', key.size());
      if (close != std::string::npos) return line.substr(key.size(), close - key.size());
    }
  }
  return std::nullopt;
}

}  // namespace

OfficeDocument LoadDocument(const fs::path& path, FileStamp& stamp) {
  try {
    std::string bytes = ReadFileStamped(path, office::kMaxDocumentSize, stamp);
    return OfficeDocument::FromBytes(std::move(bytes), path);
  } catch (const OfficeError& e) {
    throw UsageError(e.what());
  } catch (const FileError& e) {
    throw UsageError(e.what());
  }
}

void SaveDocument(OfficeDocument& document, const FileStamp& stamp, bool no_backup) {
  try {
    const std::string bytes = document.Render();
    if (!no_backup) WriteFileReplacing(document.Path().string() + ".bak", document.OriginalBytes(), nullptr, nullptr);
    WriteFileReplacing(document.Path(), bytes, &stamp, nullptr);
  } catch (const OfficeError& e) {
    throw UsageError(e.what());
  } catch (const FileError& e) {
    throw UsageError(e.what());
  }
}

int RunExport(const std::string& file, const std::string& dir, const OfficeOptions& options) {
  FileStamp stamp;
  OfficeDocument doc = LoadDocument(file, stamp);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) throw UsageError(dir + ": cannot be made a folder to export into");
  try {
    office::ProjectModules modules(doc);
    // Check every name before the first file is written.
    for (const std::string& name : modules.Names()) {
      if (!SafeFileStem(name)) throw UsageError(file + ": module name \"" + name + "\" cannot be a file name");
    }
    for (std::size_t i = 0; i < doc.Project().Modules().size(); ++i) {
      const office::VbaModule& m = doc.Project().Modules()[i];
      const fs::path target = fs::path(dir) / fs::u8path(modules.Names()[i] + office::ExportExtension(m.type));
      WriteFileReplacing(target, office::ExportText(m, doc.Project().Source(i)), nullptr, nullptr);
      if (!options.quiet) Say("wrote " + target.string());
    }
  } catch (const OfficeError& e) {
    throw UsageError(e.what());
  } catch (const FileError& e) {
    throw UsageError(e.what());
  }
  return kExitOk;
}

int RunImport(const std::string& dir, const std::string& file, const OfficeOptions& options) {
  if (!fs::is_directory(dir)) throw UsageError(dir + ": is not a folder");
  FileStamp stamp;
  OfficeDocument doc = LoadDocument(file, stamp);
  office::VbaProject& project = doc.Project();
  Converter code_page(Encoding{Encoding::Kind::kCodePage, project.CodePageName()});

  std::vector<fs::path> exported;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string ext = AsciiLower(entry.path().extension().string());
    if (entry.is_regular_file() && (ext == ".bas" || ext == ".cls" || ext == ".frm")) exported.push_back(entry.path());
  }
  std::sort(exported.begin(), exported.end());
  if (exported.empty()) throw UsageError(dir + ": holds no .bas, .cls or .frm file");

  std::vector<std::pair<std::size_t, std::string>> sources;
  std::vector<std::string> known;
  for (const auto& m : project.Modules()) known.push_back(m.name);
  for (const fs::path& path : exported) {
    FileStamp ignored;
    std::string bytes;
    try {
      bytes = ReadFileStamped(path, office::kMaxDocumentSize, ignored);
    } catch (const FileError& e) {
      throw UsageError(e.what());
    }
    const Encoding found = DetectEncoding(bytes, project.CodePageName());
    if (found.kind != Encoding::Kind::kCodePage) {
      // A file saved as UTF-8 goes back in the project's code page.
      Converter utf8(found);
      const std::string_view body =
          found.kind == Encoding::Kind::kUtf8Bom ? std::string_view(bytes).substr(kUtf8Bom.size()) : bytes;
      const std::optional<Text> text = utf8.Decode(body);
      if (!text) throw UsageError(path.string() + ": is not valid UTF-8");
      int replaced = 0;
      bytes = code_page.Encode(*text, &replaced);
      if (replaced > 0) {
        throw UsageError(path.string() + ": holds characters that the VBA project's code page " +
                         project.CodePageName() + " cannot hold; nothing was written");
      }
    }
    const std::string source = office::StreamForm(WithCrLf(bytes));
    const std::optional<std::string> name = VbName(source);
    if (!name) throw UsageError(path.string() + ": has no Attribute VB_Name line naming its module");
    const office::VbaModule* module = project.Find(*name);
    if (!module) {
      std::string list;
      for (const std::string& k : known) list += (list.empty() ? "" : ", ") + k;
      throw UsageError(path.string() + ": the VBA project has no module " + *name + " (it has " + list +
                       "); nothing was written");
    }
    sources.emplace_back(static_cast<std::size_t>(module - project.Modules().data()), source);
  }
  int changed = 0;
  for (const auto& [index, source] : sources) {
    if (project.Source(index) == source) continue;
    project.SetSource(index, source);
    ++changed;
  }
  if (changed > 0) {
    SaveDocument(doc, stamp, options.no_backup);
    if (!options.quiet) std::fprintf(stderr, "qlx: wrote %s\n", file.c_str());
  }
  if (!options.quiet) {
    std::fprintf(stderr, "%d modules changed, %zu unchanged\n", changed, sources.size() - changed);
  }
  return kExitOk;
}

}  // namespace qlx::cli
