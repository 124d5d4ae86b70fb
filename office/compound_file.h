// Compound files (the container of .xls/.doc documents and of a VBA
// project's vbaProject.bin): a tree of storages and streams, read whole into
// memory and written back whole. Stream contents, class ids, state bits and
// times are kept; the sector layout is made anew on write.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qlx::office {

struct CompoundEntry {
  enum class Kind { kStorage, kStream };
  Kind kind = Kind::kStream;
  std::u16string name;
  std::array<std::uint8_t, 16> clsid{};
  std::uint32_t state_bits = 0;
  std::uint64_t created = 0;
  std::uint64_t modified = 0;
  std::string data;                                       // streams
  std::vector<std::unique_ptr<CompoundEntry>> children;  // storages, in name order

  bool IsStorage() const { return kind == Kind::kStorage; }
  // The child of that name (compared as the format does: ignoring case), or
  // nullptr.
  CompoundEntry* Child(std::u16string_view child_name) const;
  // Adds or replaces a stream child.
  CompoundEntry& PutStream(std::u16string_view child_name, std::string bytes);
  // The storage child of that name, added when there is none.
  CompoundEntry& PutStorage(std::u16string_view child_name);
  // Removes a child; false when there is none.
  bool Remove(std::u16string_view child_name);
};

// Above these a file is refused: no Office document comes near them.
inline constexpr std::size_t kMaxCompoundFileSize = std::size_t{1} << 30;
inline constexpr std::size_t kMaxCompoundEntries = 100000;

// Reads a compound file. Throws OfficeError (office_error.h) naming
// what is wrong when the bytes are not a compound file or are damaged: a
// sector chain that leaves the file or loops, a stream longer than its chain,
// a directory that is not a tree, streams that together hold more than the
// file (entries sharing sectors).
std::unique_ptr<CompoundEntry> ReadCompoundFile(std::string_view bytes);

// Writes the tree (the root entry as returned by ReadCompoundFile) as a
// version 3 compound file with 512-byte sectors.
std::string WriteCompoundFile(const CompoundEntry& root);

// True when the bytes start with the compound file signature.
bool IsCompoundFile(std::string_view bytes);

}  // namespace qlx::office
