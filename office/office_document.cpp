#include "office/office_document.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

#include "host/text.h"
#include "office/office_error.h"
#include "office/zip_archive.h"

namespace qlx::office {

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The attributes of each element named `element` in an XML part, as
// name-value pairs: enough for the relationships parts, whose elements hold
// nothing but attributes.
std::vector<std::vector<std::pair<std::string, std::string>>> Elements(const std::string& xml, const std::string& element) {
  std::vector<std::vector<std::pair<std::string, std::string>>> found;
  const std::string open = "<" + element;
  for (std::size_t at = xml.find(open); at != std::string::npos; at = xml.find(open, at + 1)) {
    std::size_t pos = at + open.size();
    if (pos >= xml.size() || !(xml[pos] == ' ' || xml[pos] == '\t' || xml[pos] == '\r' || xml[pos] == '\n' || xml[pos] == '/' ||
                               xml[pos] == '>')) {
      continue;
    }
    std::vector<std::pair<std::string, std::string>> attributes;
    for (;;) {
      while (pos < xml.size() && std::isspace(static_cast<unsigned char>(xml[pos]))) ++pos;
      if (pos >= xml.size() || xml[pos] == '/' || xml[pos] == '>') break;
      const std::size_t eq = xml.find('=', pos);
      if (eq == std::string::npos || eq + 1 >= xml.size() || (xml[eq + 1] != '"' && xml[eq + 1] != '\'')) break;
      const std::size_t close = xml.find(xml[eq + 1], eq + 2);
      if (close == std::string::npos) break;
      std::string name = xml.substr(pos, eq - pos);
      while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
      std::string value = xml.substr(eq + 2, close - eq - 2);
      for (const auto& [entity, c] : {std::pair<std::string, std::string>{"&amp;", "&"}, {"&quot;", "\""}, {"&apos;", "'"},
                                      {"&lt;", "<"}, {"&gt;", ">"}}) {
        for (std::size_t e = value.find(entity); e != std::string::npos; e = value.find(entity, e + c.size())) {
          value.replace(e, entity.size(), c);
        }
      }
      attributes.emplace_back(std::move(name), std::move(value));
      pos = close + 1;
    }
    found.push_back(std::move(attributes));
  }
  return found;
}

std::string Attribute(const std::vector<std::pair<std::string, std::string>>& attributes, const std::string& name) {
  for (const auto& [key, value] : attributes) {
    if (key == name) return value;
  }
  return "";
}

// A relationship's target as a part name: relative to the folder of the part
// the relationships belong to, or from the package's root with a leading /.
std::string ResolveTarget(const std::string& source_part, const std::string& target) {
  std::vector<std::string> parts;
  std::string path = target;
  if (!path.empty() && path[0] == '/') {
    path.erase(0, 1);
  } else {
    const std::size_t slash = source_part.rfind('/');
    if (slash != std::string::npos) path = source_part.substr(0, slash + 1) + path;
  }
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!segment.empty() && segment != ".") {
      parts.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& p : parts) out += (out.empty() ? "" : "/") + p;
  return out;
}

// The relationships part of a part: word/document.xml has
// word/_rels/document.xml.rels.
std::string RelationshipsOf(const std::string& part) {
  const std::size_t slash = part.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
  return folder + "_rels/" + part.substr(slash == std::string::npos ? 0 : slash + 1) + ".rels";
}

// The first target of a relationship of the given type (compared by its
// last path segment) in the relationships of source_part, or "".
std::string Related(const std::string& zip, const std::vector<std::string>& names, const std::string& source_part,
                    const std::string& type) {
  const std::string rels = RelationshipsOf(source_part);
  const auto entry = std::find_if(names.begin(), names.end(), [&](const std::string& n) { return AsciiLower(n) == AsciiLower(rels); });
  if (entry == names.end()) return "";
  for (const auto& attributes : Elements(ReadZipEntry(zip, *entry, kMaxRelationshipsSize), "Relationship")) {
    const std::string kind = Attribute(attributes, "Type");
    if (AsciiLower(Attribute(attributes, "TargetMode")) == "external") continue;
    if (kind.size() > type.size() && EndsWith(kind, "/" + type)) return ResolveTarget(source_part, Attribute(attributes, "Target"));
  }
  return "";
}

}  // namespace

bool OfficeDocument::IsOfficePath(const std::filesystem::path& path) {
  static const char* const kExtensions[] = {".xlsm", ".xlam", ".xltm", ".docm", ".dotm", ".pptm",
                                            ".ppam", ".xls",  ".xla",  ".doc",  ".dot"};
  const std::string ext = AsciiLower(path.extension().string());
  return std::find(std::begin(kExtensions), std::end(kExtensions), ext) != std::end(kExtensions);
}

OfficeDocument::OfficeDocument(OfficeDocument&&) noexcept = default;
OfficeDocument& OfficeDocument::operator=(OfficeDocument&&) noexcept = default;
OfficeDocument::~OfficeDocument() = default;

OfficeDocument OfficeDocument::Load(const std::filesystem::path& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) throw OfficeError(path.string() + ": cannot be read: " + ec.message());
  if (size > kMaxDocumentSize) throw OfficeError(path.string() + ": the document is too large");
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) throw OfficeError(path.string() + ": cannot be read");
  return FromBytes(std::move(bytes), path);
}

OfficeDocument OfficeDocument::FromBytes(std::string bytes, const std::filesystem::path& path) {
  OfficeDocument doc;
  doc.path_ = path;
  doc.bytes_ = std::move(bytes);
  try {
    doc.Open();
  } catch (const OfficeError& e) {
    throw OfficeError(path.string() + ": " + e.what());
  }
  return doc;
}

void OfficeDocument::Open() {
  if (IsZipArchive(bytes_)) {
    const std::vector<std::string> names = ZipEntryNames(bytes_);
    std::vector<std::string> projects;
    for (const std::string& name : names) {
      const std::string lower = AsciiLower(name);
      if (EndsWith(lower, "vbaprojectsignature.bin") || EndsWith(lower, "vbaprojectsignatureagile.bin")) {
        throw OfficeError("the VBA project is digitally signed; changing it would break the signature");
      }
      if (EndsWith(lower, "/vbaproject.bin")) projects.push_back(name);
    }
    if (projects.empty()) throw OfficeError("the document holds no VBA project");
    if (projects.size() == 1) {
      zip_entry_ = projects.front();
    } else {
      // The project Office runs is the one the main part's relationships
      // name; another vbaProject.bin in the zip is a stale copy.
      const std::string main_part = Related(bytes_, names, "", "officeDocument");
      const std::string named = main_part.empty() ? "" : AsciiLower(Related(bytes_, names, main_part, "vbaProject"));
      for (const std::string& name : projects) {
        if (AsciiLower(name) == named) zip_entry_ = name;
      }
    }
    if (zip_entry_.empty()) {
      std::string list;
      for (const std::string& name : projects) list += (list.empty() ? "" : ", ") + name;
      throw OfficeError("the document holds " + std::to_string(projects.size()) + " VBA projects (" + list +
                        ") and its relationships name none of them");
    }
    root_ = ReadCompoundFile(ReadZipEntry(bytes_, zip_entry_, kMaxProjectFileSize));
    project_ = std::make_unique<VbaProject>(*root_);
    return;
  }
  if (!IsCompoundFile(bytes_)) throw OfficeError("not an Office document (neither a zip nor a compound file)");
  root_ = ReadCompoundFile(bytes_);
  for (const char16_t* storage : {u"_VBA_PROJECT_CUR", u"Macros"}) {
    if (CompoundEntry* s = root_->Child(storage); s && s->IsStorage()) {
      project_ = std::make_unique<VbaProject>(*s);
      return;
    }
  }
  throw OfficeError("the document holds no VBA project");
}

std::string OfficeDocument::Render() {
  if (!project_->Changed()) return bytes_;
  project_->Commit();
  const std::string compound = WriteCompoundFile(*root_);
  return zip_entry_.empty() ? compound : ReplaceZipEntry(bytes_, zip_entry_, compound);
}

}  // namespace qlx::office
