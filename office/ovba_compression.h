// The run-length compression of VBA project streams: the `dir` stream and
// the source part of every module stream are stored as a compressed
// container of chunks, each holding at most 4096 bytes of the original.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "office/office_error.h"

namespace qlx::office {

// Thrown when a container would grow past the limit it was given.
class ExpansionError : public OfficeError {
 public:
  using OfficeError::OfficeError;
};

// Above this a container is refused as a decompression bomb: a module holds
// at most about 65,000 lines, far below it.
inline constexpr std::size_t kMaxDecompressedSize = 64u << 20;

// Expands a compressed container. Throws OfficeError when the container is
// malformed (bad signature, a copy reaching before its chunk, a chunk that
// expands past 4096 bytes, a chunk the container ends inside), and
// ExpansionError when it would grow past `limit`.
std::string Decompress(std::string_view container, std::size_t limit = kMaxDecompressedSize);

// Compresses bytes into a container, every chunk token-encoded with the
// longest, then nearest, earlier match among the token starts. A full 4096-byte chunk that does not
// shrink is stored raw; a shorter last chunk is never stored raw (Office
// drops a module whose last chunk is raw and padded), so one that cannot be
// token-encoded within a chunk's size throws OfficeError.
std::string Compress(std::string_view bytes);

}  // namespace qlx::office
