#include "office/vba_project.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "host/text.h"
#include "office/office_error.h"
#include "office/ovba_compression.h"

namespace qlx::office {

namespace {

// dir stream record ids.
enum : std::uint16_t {
  kSysKind = 0x0001,
  kLcid = 0x0002,
  kCodePage = 0x0003,
  kName = 0x0004,
  kDocString = 0x0005,
  kHelpFile = 0x0006,
  kHelpContext = 0x0007,
  kLibFlags = 0x0008,
  kVersion = 0x0009,
  kConstants = 0x000C,
  kReferenceRegistered = 0x000D,
  kReferenceProject = 0x000E,
  kModules = 0x000F,
  kTerminator = 0x0010,
  kCookie = 0x0013,
  kLcidInvoke = 0x0014,
  kReferenceName = 0x0016,
  kModuleName = 0x0019,
  kModuleStreamName = 0x001A,
  kModuleDocString = 0x001C,
  kModuleHelpContext = 0x001E,
  kModuleProcedural = 0x0021,
  kModuleNonProcedural = 0x0022,
  kModuleReadOnly = 0x0025,
  kModulePrivate = 0x0028,
  kModuleEnd = 0x002B,
  kModuleCookie = 0x002C,
  kReferenceControl = 0x002F,
  kReferenceControlExtended = 0x0030,
  kModuleOffset = 0x0031,
  kStreamNameUnicode = 0x0032,
  kReferenceOriginal = 0x0033,
  kConstantsUnicode = 0x003C,
  kHelpFileUnicode = 0x003D,
  kReferenceNameUnicode = 0x003E,
  kDocStringUnicode = 0x0040,
  kModuleNameUnicode = 0x0047,
  kModuleDocStringUnicode = 0x0048,
  kCompatVersion = 0x004A,
};

// Reads the decompressed dir stream field by field; sizes that lead a
// variable-length field are checked against what is left, fixed-size
// records are read by their known layout whatever size they state.
class DirReader {
 public:
  explicit DirReader(std::string_view b) : b_(b) {}

  std::size_t Pos() const { return pos_; }
  bool AtEnd() const { return pos_ >= b_.size(); }
  std::uint16_t Peek() const { return pos_ + 2 <= b_.size() ? U16At(pos_) : 0xFFFF; }

  std::uint16_t U16() {
    Need(2);
    const std::uint16_t v = U16At(pos_);
    pos_ += 2;
    return v;
  }
  std::uint32_t U32() {
    Need(4);
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b_[pos_ + i]);
    pos_ += 4;
    return v;
  }
  std::string Bytes(std::size_t n) {
    Need(n);
    std::string s(b_.substr(pos_, n));
    pos_ += n;
    return s;
  }
  // A length-prefixed field.
  std::string Sized() { return Bytes(U32()); }

  void Expect(std::uint16_t id) {
    const std::size_t at = pos_;
    if (U16() != id) Malformed(at);
  }
  // A record of id, a 32-bit size and then `size` bytes that are read by
  // their known length.
  std::uint32_t Fixed32(std::uint16_t id) {
    Expect(id);
    U32();
    return U32();
  }
  std::uint16_t Fixed16(std::uint16_t id) {
    Expect(id);
    U32();
    return U16();
  }
  std::string Text(std::uint16_t id) {
    Expect(id);
    return Sized();
  }
  [[noreturn]] void Malformed(std::size_t at) const {
    throw OfficeError("the project's dir stream is malformed at byte " + std::to_string(at));
  }

 private:
  std::uint16_t U16At(std::size_t at) const {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b_[at]) | (static_cast<unsigned char>(b_[at + 1]) << 8));
  }
  void Need(std::size_t n) const {
    if (n > b_.size() || pos_ > b_.size() - n) throw OfficeError("the project's dir stream is cut off");
  }
  std::string_view b_;
  std::size_t pos_ = 0;
};

std::u16string FromUtf16Le(const std::string& bytes) {
  std::u16string s;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    s.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return s;
}

std::u16string Widen(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// The PROJECT stream's lines up to its first [section]: KEY=VALUE.
std::multimap<std::string, std::string> ProjectProperties(const std::string& text) {
  std::multimap<std::string, std::string> props;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    start = end + 1;
    if (!line.empty() && line[0] == '[') break;
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) props.emplace(line.substr(0, eq), line.substr(eq + 1));
  }
  return props;
}

std::string Unquote(std::string s) {
  if (s.size() >= 2 && s.front() == '"' && s.back() == '"') return s.substr(1, s.size() - 2);
  return s;
}

const char kShortVbaProject[] = "\xCC\x61\xFF\xFF\x00\x00\x00";

CompoundEntry& ModuleStream(CompoundEntry& vba, const VbaModule& module) {
  CompoundEntry* stream = nullptr;
  for (const auto& c : vba.children) {
    if (!c->IsStorage() && c->name.size() == module.stream_name.size() &&
        std::equal(c->name.begin(), c->name.end(), module.stream_name.begin(),
                   [](char16_t a, char b) { return a == static_cast<unsigned char>(b); })) {
      stream = c.get();
    }
  }
  if (!stream) stream = vba.Child(Widen(module.stream_name));
  if (!stream) throw OfficeError("the project names a module stream that is missing: " + module.stream_name);
  return *stream;
}

}  // namespace

std::string DecryptProjectValue(const std::string& hex) {
  std::string data;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const int hi = std::isxdigit(static_cast<unsigned char>(hex[i])) ? std::stoi(hex.substr(i, 1), nullptr, 16) : -1;
    const int lo = std::isxdigit(static_cast<unsigned char>(hex[i + 1])) ? std::stoi(hex.substr(i + 1, 1), nullptr, 16) : -1;
    if (hi < 0 || lo < 0) throw OfficeError("a protected value of the PROJECT stream is not hexadecimal");
    data.push_back(static_cast<char>(hi * 16 + lo));
  }
  if (hex.size() % 2 != 0 || data.size() < 3) throw OfficeError("a protected value of the PROJECT stream is malformed");
  auto byte = [&](std::size_t i) { return static_cast<unsigned char>(data[i]); };
  const unsigned seed = byte(0);
  if ((seed ^ byte(1)) != 2) throw OfficeError("a protected value of the PROJECT stream has an unknown version");
  unsigned unencrypted1 = seed ^ byte(2);
  unsigned encrypted1 = byte(2);
  unsigned encrypted2 = byte(1);
  std::size_t pos = 3;
  auto next = [&]() {
    if (pos >= data.size()) throw OfficeError("a protected value of the PROJECT stream is cut off");
    const unsigned enc = byte(pos++);
    const unsigned plain = (enc ^ (encrypted2 + unencrypted1)) & 0xFF;
    encrypted2 = encrypted1;
    encrypted1 = enc;
    unencrypted1 = plain;
    return plain;
  };
  for (unsigned i = 0; i < (seed & 6) / 2; ++i) next();
  std::uint32_t length = 0;
  for (int i = 0; i < 4; ++i) length |= static_cast<std::uint32_t>(next()) << (8 * i);
  if (length > data.size()) throw OfficeError("a protected value of the PROJECT stream is cut off");
  std::string out;
  for (std::uint32_t i = 0; i < length; ++i) out.push_back(static_cast<char>(next()));
  return out;
}

VbaProject::VbaProject(CompoundEntry& storage) : storage_(storage) {
  for (const auto& child : storage_.children) {
    if (child->name.rfind(u"\x05" u"DigitalSignature", 0) == 0) {
      throw OfficeError("the VBA project is digitally signed; changing it would break the signature");
    }
  }
  const CompoundEntry* project = storage_.Child(u"PROJECT");
  vba_ = storage_.Child(u"VBA");
  if (!project || !vba_ || !vba_->IsStorage() || !vba_->Child(u"dir")) {
    throw OfficeError("the document holds no VBA project (no PROJECT stream or VBA/dir)");
  }
  project_text_ = project->data;
  CheckProtection();
  dir_ = Decompress(vba_->Child(u"dir")->data);
  ParseDir();
  // Every module's source is expanded once, here, within one budget for the
  // whole project: modules that all name one stream of a bomb must not each
  // get the limit of one stream.
  std::size_t left = kMaxProjectSourceSize;
  std::size_t lines = 0;
  for (const VbaModule& m : modules_) {
    const CompoundEntry& stream = ModuleStream(*vba_, m);
    try {
      sources_.push_back(Decompress(std::string_view(stream.data).substr(m.text_offset), std::min(left, kMaxDecompressedSize)));
    } catch (const ExpansionError&) {
      if (left >= kMaxDecompressedSize) throw OfficeError("the source of module " + m.name + " expands past the size limit");
      throw OfficeError("the modules of the VBA project expand past " + std::to_string(kMaxProjectSourceSize >> 20) +
                        " MiB together (module " + m.name + " goes past it); no project of code comes near that");
    } catch (const OfficeError& e) {
      throw OfficeError("the source of module " + m.name + " is damaged: " + e.what());
    }
    left -= sources_.back().size();
    // Each line costs far more in an editor than its bytes.
    const std::string& source = sources_.back();
    for (std::size_t i = 0; i < source.size(); ++i) {
      if (source[i] == '\n' || (source[i] == '\r' && (i + 1 == source.size() || source[i + 1] != '\n'))) ++lines;
    }
    if (lines > kMaxProjectLines) {
      throw OfficeError("the modules of the VBA project hold more than " + std::to_string(kMaxProjectLines) +
                        " lines together (module " + m.name + " goes past it); no project of code comes near that");
    }
  }
}

void VbaProject::CheckProtection() const {
  const auto props = ProjectProperties(project_text_);
  if (auto it = props.find("DPB"); it != props.end()) {
    const std::string password = DecryptProjectValue(Unquote(it->second));
    if (password.size() > 1 || (password.size() == 1 && password[0] != 0)) {
      throw OfficeError("the VBA project is protected by a password; remove the password in the VBA editor first");
    }
  }
  if (auto it = props.find("CMG"); it != props.end()) {
    const std::string state = DecryptProjectValue(Unquote(it->second));
    if (!state.empty() && (static_cast<unsigned char>(state[0]) & 1)) {
      throw OfficeError("the VBA project is protected by a password; remove the password in the VBA editor first");
    }
  }
  if (auto it = props.find("GC"); it != props.end()) {
    const std::string visible = DecryptProjectValue(Unquote(it->second));
    if (visible.size() == 1 && visible[0] == 0) throw OfficeError("the VBA project is locked for viewing");
  }
}

void VbaProject::ParseDir() {
  DirReader r(dir_);
  r.Fixed32(kSysKind);
  if (r.Peek() == kCompatVersion) r.Fixed32(kCompatVersion);
  r.Fixed32(kLcid);
  r.Fixed32(kLcidInvoke);
  code_page_ = r.Fixed16(kCodePage);
  r.Text(kName);
  r.Text(kDocString);
  r.Text(kDocStringUnicode);
  r.Text(kHelpFile);
  r.Text(kHelpFileUnicode);
  r.Fixed32(kHelpContext);
  r.Fixed32(kLibFlags);
  // Its stated size (4) is not the size of what follows (6 bytes).
  r.Expect(kVersion);
  r.U32();
  r.U32();
  r.U16();
  if (r.Peek() == kConstants) {
    r.Text(kConstants);
    r.Text(kConstantsUnicode);
  }
  while (r.Peek() != kModules) {
    const std::size_t at = r.Pos();
    switch (r.U16()) {
      case kReferenceName:
        r.Sized();
        if (r.Peek() == kReferenceNameUnicode) r.Text(kReferenceNameUnicode);
        break;
      case kReferenceOriginal:
        r.Sized();
        break;
      case kReferenceControl:
        r.U32();  // the twiddled size: not trusted
        r.Sized();
        r.U32();
        r.U16();
        if (r.Peek() == kReferenceName) {
          r.Text(kReferenceName);
          if (r.Peek() == kReferenceNameUnicode) r.Text(kReferenceNameUnicode);
        }
        r.Expect(kReferenceControlExtended);
        r.U32();  // the extended size: wrong in some real files
        r.Sized();
        r.U32();
        r.U16();
        r.Bytes(16);
        r.U32();
        break;
      case kReferenceRegistered:
        r.U32();
        r.Sized();
        r.U32();
        r.U16();
        break;
      case kReferenceProject:
        r.U32();
        r.Sized();
        r.Sized();
        r.U32();
        r.U16();
        break;
      default:
        r.Malformed(at);
    }
  }
  const std::uint16_t count = r.Fixed16(kModules);
  r.Fixed16(kCookie);

  std::map<std::string, VbaModule::Type> declared;
  for (const auto& [key, value] : ProjectProperties(project_text_)) {
    if (key == "Class") declared[value] = VbaModule::Type::kClass;
    if (key == "BaseClass") declared[value] = VbaModule::Type::kForm;
    if (key == "Document") declared[value.substr(0, value.find('/'))] = VbaModule::Type::kDocument;
  }
  for (std::uint16_t m = 0; m < count; ++m) {
    VbaModule module;
    module.name = r.Text(kModuleName);
    if (r.Peek() == kModuleNameUnicode) module.name_utf16 = FromUtf16Le(r.Text(kModuleNameUnicode));
    module.stream_name = r.Text(kModuleStreamName);
    std::u16string stream_unicode = FromUtf16Le(r.Text(kStreamNameUnicode));
    r.Text(kModuleDocString);
    r.Text(kModuleDocStringUnicode);
    r.Expect(kModuleOffset);
    r.U32();
    module.text_offset_at = r.Pos();
    module.text_offset = r.U32();
    r.Fixed32(kModuleHelpContext);
    r.Fixed16(kModuleCookie);
    bool procedural = false;
    for (;;) {
      const std::size_t at = r.Pos();
      const std::uint16_t id = r.U16();
      r.U32();
      if (id == kModuleEnd) break;
      if (id == kModuleProcedural) procedural = true;
      if (id != kModuleProcedural && id != kModuleNonProcedural && id != kModuleReadOnly && id != kModulePrivate) {
        r.Malformed(at);
      }
    }
    if (procedural) {
      module.type = VbaModule::Type::kStandard;
    } else {
      const auto it = declared.find(module.name);
      module.type = it != declared.end() ? it->second : VbaModule::Type::kClass;
    }
    const CompoundEntry* stream = vba_->Child(stream_unicode.empty() ? Widen(module.stream_name) : stream_unicode);
    if (!stream || stream->IsStorage()) {
      throw OfficeError("the project names a module stream that is missing: " + module.stream_name);
    }
    if (module.text_offset > stream->data.size()) {
      throw OfficeError("the source of module " + module.name + " starts past the end of its stream");
    }
    modules_.push_back(std::move(module));
  }
  r.Expect(kTerminator);
}

std::string VbaProject::CodePageName() const { return "CP" + std::to_string(code_page_); }

const VbaModule* VbaProject::Find(const std::string& name) const {
  for (const VbaModule& m : modules_) {
    if (AsciiEqualNoCase(m.name, name)) return &m;
  }
  return nullptr;
}

std::string VbaProject::Source(std::size_t index) const { return sources_.at(index); }

void VbaProject::SetSource(std::size_t index, const std::string& source) {
  VbaModule& own = modules_.at(index);
  ModuleStream(*vba_, own).data = Compress(source);
  sources_.at(index) = source;
  own.text_offset = 0;
  own.changed = true;
}

bool VbaProject::Changed() const {
  return std::any_of(modules_.begin(), modules_.end(), [](const VbaModule& m) { return m.changed; });
}

void VbaProject::Commit() {
  if (!Changed()) return;
  for (const VbaModule& m : modules_) {
    if (!m.changed) continue;
    for (int i = 0; i < 4; ++i) dir_[m.text_offset_at + i] = 0;
  }
  vba_->PutStream(u"dir", Compress(dir_));
  vba_->PutStream(u"_VBA_PROJECT", std::string(kShortVbaProject, 7));
  std::vector<std::u16string> caches;
  for (const auto& c : vba_->children) {
    if (c->name.rfind(u"__SRP_", 0) == 0) caches.push_back(c->name);
  }
  for (const auto& name : caches) vba_->Remove(name);
}

}  // namespace qlx::office
