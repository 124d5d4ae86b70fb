#include "office/ovba_compression.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace qlx::office {

namespace {

constexpr std::size_t kChunkSize = 4096;
constexpr std::uint16_t kChunkSignature = 0x3000;
constexpr std::uint16_t kCompressedFlag = 0x8000;
constexpr char kContainerSignature = 0x01;

// How a copy token divides its 16 bits between offset and length: the
// further into the chunk, the more bits the offset needs.
struct CopyTokenSplit {
  std::uint16_t length_mask;
  unsigned bit_count;
  std::size_t max_length;
};

CopyTokenSplit SplitAt(std::size_t position_in_chunk) {
  unsigned bits = 4;
  while ((std::size_t{1} << bits) < position_in_chunk) ++bits;
  const auto mask = static_cast<std::uint16_t>(0xFFFFu >> bits);
  return {mask, bits, std::size_t{mask} + 3};
}

unsigned Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

void DecompressTokens(std::string_view data, std::string& out, std::size_t chunk_start, std::size_t limit) {
  std::size_t pos = 0;
  while (pos < data.size()) {
    const unsigned flags = Byte(data, pos++);
    for (int bit = 0; bit < 8 && pos < data.size(); ++bit) {
      if ((flags & (1u << bit)) == 0) {
        out.push_back(data[pos++]);
      } else {
        if (pos + 2 > data.size()) throw OfficeError("compressed data is cut off inside a copy token");
        const unsigned token = Byte(data, pos) | (Byte(data, pos + 1) << 8);
        pos += 2;
        const std::size_t here = out.size() - chunk_start;
        const CopyTokenSplit split = SplitAt(here);
        const std::size_t length = (token & split.length_mask) + 3;
        const std::size_t offset = (token >> (16 - split.bit_count)) + 1;
        if (offset > here) throw OfficeError("compressed data copies from before its chunk");
        if (here + length > kChunkSize) throw OfficeError("a compressed chunk expands past 4096 bytes");
        const std::size_t from = out.size() - offset;
        // Byte by byte: a copy may overlap what it is producing.
        for (std::size_t k = 0; k < length; ++k) out.push_back(out[from + k]);
      }
      if (out.size() > limit) throw ExpansionError("the compressed data expands past the size limit");
    }
  }
}

// Longest earlier match of bytes[cur..end) starting at one of the nearest
// recorded positions inside the chunk; among equally long ones the nearest. Candidates are
// visited nearest first through chains of positions with the same three
// leading bytes.
class MatchFinder {
 public:
  explicit MatchFinder(std::string_view chunk) : chunk_(chunk), prev_(chunk.size(), kNone) { head_.fill(kNone); }

  // Records position p (which must have two more bytes after it) as a
  // candidate for later positions.
  void Add(std::size_t p) {
    if (p + 3 > chunk_.size()) return;
    const std::size_t h = Hash(p);
    prev_[p] = head_[h];
    head_[h] = p;
  }

  // Best (length, offset) for position cur; length 0 when under three bytes.
  std::pair<std::size_t, std::size_t> Find(std::size_t cur) const {
    if (cur + 3 > chunk_.size()) return {0, 0};
    std::size_t best_len = 0, best_pos = 0;
    std::size_t visited = 0;
    // Nearest candidates first, and not too many: a chunk of a two-letter
    // alphabet would otherwise cost a quadratic search.
    for (std::size_t c = head_[Hash(cur)]; c != kNone && visited < kMaxCandidates; c = prev_[c], ++visited) {
      std::size_t len = 0;
      while (cur + len < chunk_.size() && chunk_[c + len] == chunk_[cur + len]) ++len;
      if (len > best_len) {
        best_len = len;
        best_pos = c;
      }
    }
    if (best_len < 3) return {0, 0};
    return {best_len, cur - best_pos};
  }

 private:
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  static constexpr std::size_t kBuckets = 1u << 12;
  static constexpr std::size_t kMaxCandidates = 128;
  std::size_t Hash(std::size_t p) const {
    return (Byte(chunk_, p) * 0x9E37u ^ Byte(chunk_, p + 1) * 0x2F1u ^ Byte(chunk_, p + 2)) % kBuckets;
  }
  std::string_view chunk_;
  std::vector<std::size_t> prev_;
  std::array<std::size_t, kBuckets> head_;
};

// Token-encodes one chunk (at most 4096 bytes). Returns false when the
// encoding does not fit in a chunk.
bool EncodeChunk(std::string_view chunk, std::string& data) {
  MatchFinder finder(chunk);
  std::size_t cur = 0;
  while (cur < chunk.size()) {
    const std::size_t flag_at = data.size();
    data.push_back(0);
    unsigned flags = 0;
    for (int bit = 0; bit < 8 && cur < chunk.size(); ++bit) {
      auto [length, offset] = finder.Find(cur);
      if (length > 0) {
        const CopyTokenSplit split = SplitAt(cur);
        length = std::min(length, split.max_length);
        const unsigned token = static_cast<unsigned>(((offset - 1) << (16 - split.bit_count)) | (length - 3));
        data.push_back(static_cast<char>(token & 0xFF));
        data.push_back(static_cast<char>(token >> 8));
        flags |= 1u << bit;
      } else {
        length = 1;
        data.push_back(chunk[cur]);
      }
      // Only where tokens start, as the encoder of the format's published
      // example does: that example then comes out byte for byte.
      finder.Add(cur);
      cur += length;
    }
    data[flag_at] = static_cast<char>(flags);
    if (data.size() > kChunkSize) return false;
  }
  return true;
}

void AppendHeader(std::string& out, std::size_t data_size, bool compressed) {
  const auto header = static_cast<std::uint16_t>((data_size + 2 - 3) | kChunkSignature | (compressed ? kCompressedFlag : 0));
  out.push_back(static_cast<char>(header & 0xFF));
  out.push_back(static_cast<char>(header >> 8));
}

}  // namespace

std::string Decompress(std::string_view container, std::size_t limit) {
  if (container.empty() || container[0] != kContainerSignature) {
    throw OfficeError("compressed data does not start with its signature byte");
  }
  std::string out;
  std::size_t pos = 1;
  while (pos < container.size()) {
    if (pos + 2 > container.size()) throw OfficeError("compressed data is cut off inside a chunk header");
    const unsigned header = Byte(container, pos) | (Byte(container, pos + 1) << 8);
    if ((header & 0x7000) != kChunkSignature) throw OfficeError("a compressed chunk has a wrong signature");
    const std::size_t size = (header & 0x0FFF) + 3;
    // A container that ends inside a chunk lost its end: expanding what is
    // there would give a shorter module, not the one that was stored.
    if (size > container.size() - pos) throw OfficeError("compressed data is cut off inside a chunk");
    const std::size_t end = pos + size;
    const std::size_t chunk_start = out.size();
    if (header & kCompressedFlag) {
      DecompressTokens(container.substr(pos + 2, end - (pos + 2)), out, chunk_start, limit);
      pos = end;
    } else {
      if (pos + 2 + kChunkSize > container.size()) throw OfficeError("compressed data is cut off inside a raw chunk");
      out.append(container.substr(pos + 2, kChunkSize));
      if (out.size() > limit) throw ExpansionError("the compressed data expands past the size limit");
      pos += 2 + kChunkSize;
    }
  }
  return out;
}

std::string Compress(std::string_view bytes) {
  std::string out(1, kContainerSignature);
  std::string data;
  for (std::size_t start = 0; start < bytes.size(); start += kChunkSize) {
    const std::string_view chunk = bytes.substr(start, kChunkSize);
    data.clear();
    if (EncodeChunk(chunk, data)) {
      AppendHeader(out, data.size(), true);
      out += data;
    } else if (chunk.size() == kChunkSize) {
      AppendHeader(out, kChunkSize, false);
      out += chunk;
    } else {
      throw OfficeError("a module's last " + std::to_string(chunk.size()) +
                        " bytes cannot be compressed into one chunk");
    }
  }
  return out;
}

}  // namespace qlx::office
