#include "office/compound_file.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <utility>

#include "host/text.h"
#include "office/office_error.h"

namespace qlx::office {

namespace {

constexpr std::uint32_t kFreeSect = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSect = 0xFFFFFFFD;
constexpr std::uint32_t kDifSect = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;
constexpr std::size_t kHeaderDifatEntries = 109;
constexpr std::size_t kDirEntrySize = 128;
constexpr std::size_t kMiniSectorSize = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;
constexpr std::size_t kMaxStorageDepth = 64;
constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

enum EntryType : std::uint8_t { kUnused = 0, kStorageType = 1, kStreamType = 2, kRootType = 5 };

std::uint32_t U32(std::string_view b, std::size_t at) {
  if (at + 4 > b.size()) throw OfficeError("the compound file is cut off");
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(b[at + i]);
  return v;
}
std::uint16_t U16(std::string_view b, std::size_t at) {
  if (at + 2 > b.size()) throw OfficeError("the compound file is cut off");
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) | (static_cast<unsigned char>(b[at + 1]) << 8));
}
std::uint64_t U64(std::string_view b, std::size_t at) {
  return U32(b, at) | (static_cast<std::uint64_t>(U32(b, at + 4)) << 32);
}

// ASCII letters, and the Latin-1 and fullwidth ones, the other cases names
// of VBA projects meet.
char16_t Upper(char16_t c) {
  if ((c >= 0xE0 && c <= 0xFE && c != 0xF7) || (c >= 0xFF41 && c <= 0xFF5A)) return static_cast<char16_t>(c - 32);
  return AsciiUpper(c);
}

// The order of siblings in a storage: shorter names first, then by
// upper-cased code units.
bool NameLess(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size();
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return Upper(a[i]) < Upper(b[i]);
  }
  return false;
}
bool NameEqual(std::u16string_view a, std::u16string_view b) { return !NameLess(a, b) && !NameLess(b, a); }

struct RawEntry {
  std::u16string name;
  std::uint8_t type = kUnused;
  std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
  std::array<std::uint8_t, 16> clsid{};
  std::uint32_t state_bits = 0;
  std::uint64_t created = 0, modified = 0;
  std::uint32_t start = 0;
  std::uint64_t size = 0;
};

class Reader {
 public:
  explicit Reader(std::string_view bytes) : b_(bytes) {}

  std::unique_ptr<CompoundEntry> Read() {
    ReadHeader();
    ReadFat();
    ReadDirectory();
    if (entries_.empty() || entries_[0].type != kRootType) throw OfficeError("the compound file has no root entry");
    minifat_ = ToU32s(ReadChain(first_minifat_, fat_, sector_size_, std::size_t{minifat_sectors_} * sector_size_));
    ministream_ = ReadChain(entries_[0].start, fat_, sector_size_, entries_[0].size);
    auto root = MakeEntry(entries_[0]);
    visited_.assign(entries_.size(), false);
    visited_[0] = true;
    AddChildren(*root, entries_[0].child, 0);
    return root;
  }

 private:
  void ReadHeader() {
    if (!IsCompoundFile(b_)) throw OfficeError("not a compound file");
    if (b_.size() > kMaxCompoundFileSize) throw OfficeError("the compound file is too large");
    if (U16(b_, 28) != 0xFFFE) throw OfficeError("the compound file has a wrong byte order mark");
    major_ = U16(b_, 26);
    const unsigned shift = U16(b_, 30);
    if (!((major_ == 3 && shift == 9) || (major_ == 4 && shift == 12))) {
      throw OfficeError("the compound file has an unknown version or sector size");
    }
    if (U16(b_, 32) != 6) throw OfficeError("the compound file has an unknown mini sector size");
    sector_size_ = std::size_t{1} << shift;
    fat_sectors_ = U32(b_, 44);
    first_dir_ = U32(b_, 48);
    if (U32(b_, 56) != kMiniStreamCutoff) throw OfficeError("the compound file has an unknown mini stream cutoff");
    first_minifat_ = U32(b_, 60);
    minifat_sectors_ = U32(b_, 64);
    first_difat_ = U32(b_, 68);
    difat_sectors_ = U32(b_, 72);
    const std::size_t sectors = SectorCount();
    if (fat_sectors_ > sectors || minifat_sectors_ > sectors || difat_sectors_ > sectors) {
      throw OfficeError("the compound file's header counts more sectors than the file holds");
    }
  }

  std::size_t SectorCount() const { return b_.size() / sector_size_; }

  std::string_view Sector(std::uint32_t n) const {
    const std::size_t at = (std::size_t{n} + 1) * sector_size_;
    if (n >= kDifSect || at >= b_.size()) throw OfficeError("a sector number points outside the compound file");
    return b_.substr(at, sector_size_);  // a last sector may be short
  }

  void ReadFat() {
    std::vector<std::uint32_t> fat_sector_ids;
    for (std::size_t i = 0; i < kHeaderDifatEntries && fat_sector_ids.size() < fat_sectors_; ++i) {
      fat_sector_ids.push_back(U32(b_, 76 + 4 * i));
    }
    std::uint32_t difat = first_difat_;
    const std::size_t per_difat = sector_size_ / 4 - 1;
    for (std::uint32_t n = 0; n < difat_sectors_ && fat_sector_ids.size() < fat_sectors_; ++n) {
      if (difat == kEndOfChain || difat == kFreeSect) break;
      const std::string_view s = Sector(difat);
      for (std::size_t i = 0; i < per_difat && fat_sector_ids.size() < fat_sectors_; ++i) {
        fat_sector_ids.push_back(U32(s, 4 * i));
      }
      difat = U32(s, 4 * per_difat);
    }
    if (fat_sector_ids.size() < fat_sectors_) throw OfficeError("the compound file's sector table is incomplete");
    for (std::uint32_t id : fat_sector_ids) {
      const std::string_view s = Sector(id);
      for (std::size_t i = 0; i + 4 <= s.size(); i += 4) fat_.push_back(U32(s, i));
    }
  }

  // The bytes of a chain of sectors (regular or mini), cut to size; throws
  // when the chain leaves the table, loops, or is shorter than size.
  std::string ReadChain(std::uint32_t start, const std::vector<std::uint32_t>& table, std::size_t unit,
                        std::uint64_t size) const {
    std::string out;
    if (size > b_.size()) throw OfficeError("a stream is larger than the compound file");
    std::uint32_t n = start;
    std::size_t steps = 0;
    while (n != kEndOfChain && out.size() < size) {
      if (n >= table.size() || ++steps > table.size()) throw OfficeError("a sector chain of the compound file is broken");
      if (unit == kMiniSectorSize) {
        const std::size_t at = std::size_t{n} * kMiniSectorSize;
        if (at >= ministream_.size()) throw OfficeError("a mini sector lies outside the mini stream");
        out.append(ministream_.substr(at, kMiniSectorSize));
      } else {
        out.append(Sector(n));
      }
      n = table[n];
    }
    if (out.size() < size) throw OfficeError("a stream of the compound file is longer than its sectors");
    out.resize(static_cast<std::size_t>(size));
    return out;
  }

  static std::vector<std::uint32_t> ToU32s(std::string_view bytes) {
    std::vector<std::uint32_t> v;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) v.push_back(U32(bytes, i));
    return v;
  }

  void ReadDirectory() {
    // The directory has no size of its own: read its chain to the end.
    std::uint32_t n = first_dir_;
    std::size_t steps = 0;
    while (n != kEndOfChain) {
      if (n >= fat_.size() || ++steps > fat_.size()) throw OfficeError("the compound file's directory chain is broken");
      const std::string_view s = Sector(n);
      for (std::size_t at = 0; at + kDirEntrySize <= s.size(); at += kDirEntrySize) {
        if (entries_.size() >= kMaxCompoundEntries) throw OfficeError("the compound file has too many entries");
        entries_.push_back(ParseEntry(s.substr(at, kDirEntrySize)));
      }
      n = fat_[n];
    }
  }

  RawEntry ParseEntry(std::string_view e) const {
    RawEntry r;
    r.type = static_cast<std::uint8_t>(e[66]);
    if (r.type == kUnused) return r;
    const std::size_t name_bytes = U16(e, 64);
    if (name_bytes < 2 || name_bytes > 64 || name_bytes % 2 != 0) throw OfficeError("a compound file entry has a bad name");
    for (std::size_t i = 0; i + 2 < name_bytes; i += 2) r.name.push_back(static_cast<char16_t>(U16(e, i)));
    r.left = U32(e, 68);
    r.right = U32(e, 72);
    r.child = U32(e, 76);
    std::memcpy(r.clsid.data(), e.data() + 80, 16);
    r.state_bits = U32(e, 96);
    r.created = U64(e, 100);
    r.modified = U64(e, 108);
    r.start = U32(e, 116);
    r.size = major_ == 3 ? U32(e, 120) : U64(e, 120);
    return r;
  }

  std::unique_ptr<CompoundEntry> MakeEntry(const RawEntry& r) {
    auto entry = std::make_unique<CompoundEntry>();
    entry->name = r.name;
    entry->clsid = r.clsid;
    entry->state_bits = r.state_bits;
    entry->created = r.created;
    entry->modified = r.modified;
    if (r.type == kStreamType) {
      // Honest streams never share a sector, so together they hold no more
      // than the file; entries that name one chain over and over would
      // otherwise each be read whole.
      if (r.size > b_.size() - streamed_) {
        throw OfficeError("the compound file's streams together are larger than the file: its directory entries share sectors");
      }
      streamed_ += r.size;
      entry->kind = CompoundEntry::Kind::kStream;
      entry->data = r.size < kMiniStreamCutoff ? ReadChain(r.start, minifat_, kMiniSectorSize, r.size)
                                               : ReadChain(r.start, fat_, sector_size_, r.size);
    } else {
      entry->kind = CompoundEntry::Kind::kStorage;
    }
    return entry;
  }

  // The siblings' tree under a storage, walked in order without recursion
  // (a hostile tree may be one long chain).
  void AddChildren(CompoundEntry& parent, std::uint32_t top, std::size_t depth) {
    if (depth > kMaxStorageDepth) throw OfficeError("the compound file's storages nest too deeply");
    std::vector<std::uint32_t> stack;
    std::uint32_t n = top;
    while (n != kNoStream || !stack.empty()) {
      while (n != kNoStream) {
        if (n >= entries_.size() || visited_[n] || entries_[n].type == kUnused || entries_[n].type == kRootType) {
          throw OfficeError("the compound file's directory is not a tree");
        }
        visited_[n] = true;
        stack.push_back(n);
        n = entries_[n].left;
      }
      const std::uint32_t id = stack.back();
      stack.pop_back();
      const RawEntry& r = entries_[id];
      if (r.type != kStorageType && r.type != kStreamType) throw OfficeError("a compound file entry has an unknown type");
      auto child = MakeEntry(r);
      if (r.type == kStorageType) AddChildren(*child, r.child, depth + 1);
      parent.children.push_back(std::move(child));
      n = r.right;
    }
    std::stable_sort(parent.children.begin(), parent.children.end(),
                     [](const auto& a, const auto& b) { return NameLess(a->name, b->name); });
  }

  std::string_view b_;
  unsigned major_ = 3;
  std::size_t sector_size_ = 512;
  std::uint32_t fat_sectors_ = 0, first_dir_ = 0, first_minifat_ = 0, minifat_sectors_ = 0;
  std::uint32_t first_difat_ = 0, difat_sectors_ = 0;
  std::vector<std::uint32_t> fat_, minifat_;
  std::vector<RawEntry> entries_;
  std::vector<bool> visited_;
  std::string ministream_;
  std::uint64_t streamed_ = 0;  // bytes of the streams read so far
};

void PutU16(std::string& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<char>(v & 0xFF);
  b[at + 1] = static_cast<char>(v >> 8);
}
void PutU32(std::string& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU64(std::string& b, std::size_t at, std::uint64_t v) {
  PutU32(b, at, static_cast<std::uint32_t>(v));
  PutU32(b, at + 4, static_cast<std::uint32_t>(v >> 32));
}

class Writer {
 public:
  static constexpr std::size_t kSector = 512;
  static constexpr std::size_t kPerSector = kSector / 4;

  std::string Write(const CompoundEntry& root) {
    Flatten(root);
    Layout();
    return Emit();
  }

 private:
  struct Node {
    const CompoundEntry* entry;
    std::uint8_t type;
    std::uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    bool red = false;
    std::uint32_t start = kEndOfChain;
    std::uint64_t size = 0;
  };

  void Flatten(const CompoundEntry& root) {
    nodes_.push_back({&root, kRootType});
    for (std::size_t i = 0; i < nodes_.size(); ++i) {
      const CompoundEntry* e = nodes_[i].entry;
      if (!e->IsStorage() && i != 0) continue;
      std::vector<const CompoundEntry*> kids;
      for (const auto& c : e->children) kids.push_back(c.get());
      std::stable_sort(kids.begin(), kids.end(), [](auto* a, auto* b) { return NameLess(a->name, b->name); });
      for (std::size_t k = 1; k < kids.size(); ++k) {
        if (NameEqual(kids[k - 1]->name, kids[k]->name)) throw OfficeError("two entries of one storage have the same name");
      }
      const std::uint32_t first = static_cast<std::uint32_t>(nodes_.size());
      for (auto* c : kids) {
        if (c->name.empty() || c->name.size() > 31) throw OfficeError("a compound file entry name must have 1 to 31 characters");
        nodes_.push_back({c, c->IsStorage() ? kStorageType : kStreamType});
      }
      if (!kids.empty()) {
        int max_depth = 0;
        nodes_[i].child = Balance(first, first + static_cast<std::uint32_t>(kids.size()), 0, max_depth);
        const std::size_t n = kids.size();
        const bool perfect = ((n + 1) & n) == 0;
        if (!perfect) {
          // The deepest level red, the others black: equal black height on
          // every path, as the directory's red-black tree requires.
          ColorDeepest(nodes_[i].child, 0, max_depth);
        }
      }
    }
  }

  std::uint32_t Balance(std::uint32_t lo, std::uint32_t hi, int depth, int& max_depth) {
    if (lo >= hi) return kNoStream;
    const std::uint32_t mid = lo + (hi - lo) / 2;
    max_depth = std::max(max_depth, depth);
    nodes_[mid].left = Balance(lo, mid, depth + 1, max_depth);
    nodes_[mid].right = Balance(mid + 1, hi, depth + 1, max_depth);
    return mid;
  }

  void ColorDeepest(std::uint32_t n, int depth, int max_depth) {
    if (n == kNoStream) return;
    nodes_[n].red = depth == max_depth;
    ColorDeepest(nodes_[n].left, depth + 1, max_depth);
    ColorDeepest(nodes_[n].right, depth + 1, max_depth);
  }

  static std::size_t Sectors(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit; }

  void Layout() {
    // Small streams go into the mini stream, in 64-byte mini sectors.
    for (std::size_t i = 1; i < nodes_.size(); ++i) {
      Node& n = nodes_[i];
      if (n.type != kStreamType) continue;
      n.size = n.entry->data.size();
      if (n.size == 0) continue;
      if (n.size < kMiniStreamCutoff) {
        n.start = static_cast<std::uint32_t>(minifat_.size());
        const std::size_t count = Sectors(n.size, kMiniSectorSize);
        for (std::size_t k = 0; k < count; ++k) {
          minifat_.push_back(k + 1 < count ? n.start + static_cast<std::uint32_t>(k) + 1 : kEndOfChain);
        }
        ministream_ += n.entry->data;
        ministream_.resize(minifat_.size() * kMiniSectorSize, '\0');
      } else {
        big_.push_back(i);
      }
    }
    dir_sectors_ = Sectors(nodes_.size() * kDirEntrySize, kSector);
    minifat_sectors_ = Sectors(minifat_.size() * 4, kSector);
    ministream_sectors_ = Sectors(ministream_.size(), kSector);
    std::size_t data = dir_sectors_ + minifat_sectors_ + ministream_sectors_;
    for (std::size_t i : big_) data += Sectors(nodes_[i].size, kSector);
    // The sector table covers itself and the table extension: grow both
    // until they hold every sector.
    fat_sectors_ = 1;
    for (;;) {
      difat_sectors_ = fat_sectors_ > kHeaderDifatEntries ? Sectors(fat_sectors_ - kHeaderDifatEntries, kPerSector - 1) : 0;
      const std::size_t need = Sectors(data + fat_sectors_ + difat_sectors_, kPerSector);
      if (need <= fat_sectors_) break;
      fat_sectors_ = need;
    }
    std::uint32_t next = 0;
    fat_.assign(fat_sectors_ * kPerSector, kFreeSect);
    for (std::size_t k = 0; k < fat_sectors_; ++k) fat_[next++] = kFatSect;
    difat_start_ = next;
    for (std::size_t k = 0; k < difat_sectors_; ++k) fat_[next++] = kDifSect;
    dir_start_ = Chain(next, dir_sectors_);
    minifat_start_ = minifat_sectors_ ? Chain(next, minifat_sectors_) : kEndOfChain;
    nodes_[0].start = ministream_sectors_ ? Chain(next, ministream_sectors_) : kEndOfChain;
    nodes_[0].size = ministream_.size();
    for (std::size_t i : big_) nodes_[i].start = Chain(next, Sectors(nodes_[i].size, kSector));
    total_sectors_ = next;
  }

  std::uint32_t Chain(std::uint32_t& next, std::size_t count) {
    const std::uint32_t start = next;
    for (std::size_t k = 0; k < count; ++k, ++next) fat_[next] = k + 1 < count ? next + 1 : kEndOfChain;
    return start;
  }

  std::string Emit() const {
    std::string out((total_sectors_ + 1) * kSector, '\0');
    std::memcpy(out.data(), kSignature, 8);
    PutU16(out, 24, 0x003E);
    PutU16(out, 26, 3);
    PutU16(out, 28, 0xFFFE);
    PutU16(out, 30, 9);
    PutU16(out, 32, 6);
    PutU32(out, 44, static_cast<std::uint32_t>(fat_sectors_));
    PutU32(out, 48, dir_start_);
    PutU32(out, 56, kMiniStreamCutoff);
    PutU32(out, 60, minifat_start_);
    PutU32(out, 64, static_cast<std::uint32_t>(minifat_sectors_));
    PutU32(out, 68, difat_sectors_ ? difat_start_ : kEndOfChain);
    PutU32(out, 72, static_cast<std::uint32_t>(difat_sectors_));
    for (std::size_t k = 0; k < kHeaderDifatEntries; ++k) {
      PutU32(out, 76 + 4 * k, k < fat_sectors_ ? static_cast<std::uint32_t>(k) : kFreeSect);
    }
    auto at = [](std::size_t sector) { return (sector + 1) * kSector; };
    for (std::size_t k = 0; k < fat_.size(); ++k) PutU32(out, at(k / kPerSector) + 4 * (k % kPerSector), fat_[k]);
    // The table extension lists the sector table's sectors past the first 109.
    for (std::size_t d = 0; d < difat_sectors_; ++d) {
      const std::size_t base = at(difat_start_ + d);
      for (std::size_t k = 0; k < kPerSector - 1; ++k) {
        const std::size_t fat_index = kHeaderDifatEntries + d * (kPerSector - 1) + k;
        PutU32(out, base + 4 * k, fat_index < fat_sectors_ ? static_cast<std::uint32_t>(fat_index) : kFreeSect);
      }
      PutU32(out, base + 4 * (kPerSector - 1),
             d + 1 < difat_sectors_ ? static_cast<std::uint32_t>(difat_start_ + d + 1) : kEndOfChain);
    }
    const std::size_t dir = at(dir_start_);
    for (std::size_t i = 0; i < dir_sectors_ * (kSector / kDirEntrySize); ++i) {
      const std::size_t e = dir + i * kDirEntrySize;
      PutU32(out, e + 68, kNoStream);
      PutU32(out, e + 72, kNoStream);
      PutU32(out, e + 76, kNoStream);
      if (i < nodes_.size()) EmitEntry(out, e, nodes_[i]);
    }
    if (minifat_sectors_) {
      for (std::size_t k = 0; k < minifat_sectors_ * kPerSector; ++k) {
        PutU32(out, at(minifat_start_) + 4 * k, k < minifat_.size() ? minifat_[k] : kFreeSect);
      }
    }
    if (!ministream_.empty()) std::memcpy(out.data() + at(nodes_[0].start), ministream_.data(), ministream_.size());
    for (std::size_t i : big_) {
      const std::string& data = nodes_[i].entry->data;
      std::memcpy(out.data() + at(nodes_[i].start), data.data(), data.size());
    }
    return out;
  }

  static void EmitEntry(std::string& out, std::size_t e, const Node& n) {
    const std::u16string& name = n.entry->name;
    std::u16string shown = n.type == kRootType ? std::u16string(u"Root Entry") : name;
    if (n.type == kRootType && !name.empty()) shown = name;
    for (std::size_t k = 0; k < shown.size() && k < 31; ++k) PutU16(out, e + 2 * k, shown[k]);
    PutU16(out, e + 64, static_cast<std::uint16_t>((std::min<std::size_t>(shown.size(), 31) + 1) * 2));
    out[e + 66] = static_cast<char>(n.type);
    out[e + 67] = static_cast<char>(n.red ? 0 : 1);
    PutU32(out, e + 68, n.left);
    PutU32(out, e + 72, n.right);
    PutU32(out, e + 76, n.child);
    std::memcpy(out.data() + e + 80, n.entry->clsid.data(), 16);
    PutU32(out, e + 96, n.entry->state_bits);
    PutU64(out, e + 100, n.entry->created);
    PutU64(out, e + 108, n.entry->modified);
    PutU32(out, e + 116, n.type == kStorageType ? 0 : n.start);
    PutU64(out, e + 120, n.type == kStorageType ? 0 : n.size);
  }

  std::vector<Node> nodes_;
  std::vector<std::uint32_t> fat_, minifat_;
  std::vector<std::size_t> big_;
  std::string ministream_;
  std::size_t dir_sectors_ = 0, minifat_sectors_ = 0, ministream_sectors_ = 0, fat_sectors_ = 0, difat_sectors_ = 0;
  std::uint32_t dir_start_ = 0, minifat_start_ = kEndOfChain, difat_start_ = 0, total_sectors_ = 0;
};

}  // namespace

CompoundEntry* CompoundEntry::Child(std::u16string_view child_name) const {
  for (const auto& c : children) {
    if (NameEqual(c->name, child_name)) return c.get();
  }
  return nullptr;
}

namespace {

CompoundEntry& PutChild(CompoundEntry& parent, std::u16string_view child_name, CompoundEntry::Kind kind) {
  if (CompoundEntry* existing = parent.Child(child_name)) {
    if (existing->kind != kind) throw OfficeError("a stream and a storage of one name cannot stand side by side");
    return *existing;
  }
  auto entry = std::make_unique<CompoundEntry>();
  entry->kind = kind;
  entry->name = std::u16string(child_name);
  CompoundEntry& ref = *entry;
  parent.children.push_back(std::move(entry));
  std::stable_sort(parent.children.begin(), parent.children.end(),
                   [](const auto& a, const auto& b) { return NameLess(a->name, b->name); });
  return ref;
}

}  // namespace

CompoundEntry& CompoundEntry::PutStream(std::u16string_view child_name, std::string bytes) {
  CompoundEntry& stream = PutChild(*this, child_name, Kind::kStream);
  stream.data = std::move(bytes);
  return stream;
}

CompoundEntry& CompoundEntry::PutStorage(std::u16string_view child_name) {
  return PutChild(*this, child_name, Kind::kStorage);
}

bool CompoundEntry::Remove(std::u16string_view child_name) {
  const auto it = std::find_if(children.begin(), children.end(), [&](const auto& c) { return NameEqual(c->name, child_name); });
  if (it == children.end()) return false;
  children.erase(it);
  return true;
}

bool IsCompoundFile(std::string_view bytes) {
  return bytes.size() >= 512 && std::memcmp(bytes.data(), kSignature, 8) == 0;
}

std::unique_ptr<CompoundEntry> ReadCompoundFile(std::string_view bytes) { return Reader(bytes).Read(); }

std::string WriteCompoundFile(const CompoundEntry& root) { return Writer().Write(root); }

}  // namespace qlx::office
