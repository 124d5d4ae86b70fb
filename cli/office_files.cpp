#include "cli/office_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli/errors.h"
#include "cli/names.h"
#include "host/files/encoding.h"
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

// Gives file the owner (where this user may) and the permission bits of
// like, and the owner's write permission while extra_write.
void TakeOwnerAndPermissions(const fs::path& file, const fs::path& like, bool extra_write) {
  std::error_code ec;
#ifndef _WIN32
  struct stat st {};
  if (::stat(like.c_str(), &st) == 0 && ::chown(file.c_str(), st.st_uid, st.st_gid) != 0) {
    // Only root may give a file away; a group of one's own is still taken.
    if (::chown(file.c_str(), static_cast<uid_t>(-1), st.st_gid) != 0) {
    }
  }
#endif
  fs::perms perms = fs::status(like, ec).permissions();
  if (ec) return;
  if (extra_write) perms |= fs::perms::owner_write;
  fs::permissions(file, perms, fs::perm_options::replace, ec);
}

// The old bytes of a document kept as path + ".bak": made beside it as a
// hidden file with the document's owner and permission bits, and renamed
// over path + ".bak" once the document is written, so that a refused save
// leaves an earlier .bak as it was and a link named so is replaced, never
// written through. Gone when dropped before PutInPlace. Throws FileError.
class Backup {
 public:
  Backup(const fs::path& document, const std::string& old_bytes);
  ~Backup();
  Backup(const Backup&) = delete;
  Backup& operator=(const Backup&) = delete;
  void PutInPlace();

 private:
  fs::path document_;
  fs::path path_;
  fs::path temp_;
};

Backup::Backup(const fs::path& document, const std::string& old_bytes) : document_(document) {
  path_ = document.string() + ".bak";
  std::error_code ec;
  const fs::file_status there = fs::symlink_status(path_, ec);
  if (fs::exists(there) && !fs::is_regular_file(there) && !fs::is_symlink(there)) {
    throw FileError(path_.string() + ": cannot be saved: it is not a regular file");
  }
  static std::random_device random;
  char tag[9];
  std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
  // Named as the writer's own temporary files are, so that what a kill
  // leaves is tidied by the next run.
  temp_ = path_.parent_path() / ("." + path_.filename().string() + "." + tag + ".qlx-tmp");
  // Empty until it has the document's permissions: the old content is never
  // readable by more people than the document is.
  try {
    WriteFileReplacing(temp_, "", nullptr, nullptr);
    TakeOwnerAndPermissions(temp_, document_, true);
    WriteFileReplacing(temp_, old_bytes, nullptr, nullptr);
    TakeOwnerAndPermissions(temp_, document_, false);
  } catch (const FileError& e) {
    fs::remove(temp_, ec);
    // Said of the backup, not of its hidden temporary name.
    std::string what = e.what();
    if (what.rfind(temp_.string(), 0) == 0) what = path_.string() + what.substr(temp_.string().size());
    throw FileError(what);
  }
}

Backup::~Backup() {
  if (temp_.empty()) return;
  std::error_code ec;
  fs::remove(temp_, ec);
}

void Backup::PutInPlace() {
  std::error_code ec;
  // A rename replaces a link named FILE.bak instead of writing through it.
  fs::rename(temp_, path_, ec);
  if (ec) {
    throw FileError(document_.string() + ": was written, but its backup " + path_.string() +
                    " could not be kept: " + ec.message());
  }
  temp_.clear();
}

}  // namespace

OfficeDocument LoadDocument(const fs::path& path, FileStamp& stamp) {
  // A rewrite in place that a kill cut off is undone before the document is
  // read: its old content waits beside it.
  const fs::path dir = path.parent_path().empty() ? fs::path(".") : path.parent_path();
  for (const fs::path& put_back : RemoveDebris(dir)) {
    Say((path.parent_path().empty() ? put_back.filename() : put_back).string() + ": a write to it was cut off; its content from before that write is back");
  }
  std::string bytes;
  try {
    bytes = ReadFileStamped(path, office::kMaxDocumentSize, stamp);
  } catch (const FileError& e) {
    if (e.reason() != FileError::Reason::kTooLarge) throw;
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    throw UsageError(path.string() + ": the document is too large (" + (ec ? "" : std::to_string(size) + " bytes; ") +
                     "qlx reads documents of at most " + std::to_string(office::kMaxDocumentSize >> 20) + " MiB)");
  }
  return OfficeDocument::FromBytes(std::move(bytes), path);
}

void SaveDocument(OfficeDocument& document, const FileStamp& stamp, bool no_backup) {
  const std::string bytes = document.Render();
  std::optional<Backup> backup;
  if (!no_backup) backup.emplace(document.Path(), document.OriginalBytes());
  WriteFileReplacing(document.Path(), bytes, &stamp, nullptr);
  if (backup) backup->PutInPlace();
}

int RunExport(const std::string& file, const std::string& dir, const OfficeOptions& options) {
  FileStamp stamp;
  OfficeDocument doc = LoadDocument(file, stamp);
  office::ProjectModules modules(doc);
  // Check every name before the first file is written: two modules of one
  // name (in any case) would be written to one file, the second over the
  // first.
  for (std::size_t i = 0; i < modules.Names().size(); ++i) {
    const std::string& name = modules.Names()[i];
    if (!SafeFileStem(name)) throw UsageError(file + ": module name \"" + name + "\" cannot be a file name");
    for (std::size_t k = 0; k < i; ++k) {
      if (AsciiEqualNoCase(modules.Names()[k], name)) {
        throw UsageError(file + ": the VBA project has two modules named " + modules.Names()[k] + " and " + name +
                         "; they would be exported to one file, so nothing was exported");
      }
    }
  }
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir)) throw UsageError(dir + ": cannot be made a folder to export into");
  for (std::size_t i = 0; i < doc.Project().Modules().size(); ++i) {
    const office::VbaModule& m = doc.Project().Modules()[i];
    const fs::path target = fs::path(dir) / fs::u8path(modules.Names()[i] + office::ExportExtension(m.type));
    WriteFileReplacing(target, office::ExportText(m, doc.Project().Source(i)), nullptr, nullptr);
    if (!options.quiet) Say("wrote " + target.string());
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
    std::string bytes = ReadFileStamped(path, office::kMaxDocumentSize, ignored);
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
    const auto index = static_cast<std::size_t>(module - project.Modules().data());
    for (std::size_t k = 0; k < sources.size(); ++k) {
      if (sources[k].first == index) {
        throw UsageError(exported[k].string() + " and " + path.string() + " both name the module " + module->name +
                         " (Attribute VB_Name); keep one of them; nothing was written");
      }
    }
    sources.emplace_back(index, source);
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
    std::fprintf(stderr, "%d module%s changed, %zu unchanged\n", changed, changed == 1 ? "" : "s",
                 sources.size() - changed);
  }
  return kExitOk;
}

}  // namespace qlx::cli
