// Code pages through iconv, behind host/files/encoding.h.
#include "host/files/encoding.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>

#include "host/vberror.h"

namespace qlx {
namespace {

// Text's code units in memory order, so iconv's output is a Text's bytes.
constexpr const char* kNativeUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";

const iconv_t kNoDescriptor = reinterpret_cast<iconv_t>(-1);

// Converts input, appending to output, until it is used up or a sequence
// fails. Gives the number of input bytes converted; *error is 0 when all of
// them were, else EILSEQ (invalid) or EINVAL (incomplete at the end).
std::size_t Convert(iconv_t cd, std::string_view input, std::string& output, int* error) {
  // iconv's prototype takes a non-const input pointer but never writes through it.
  char* in = const_cast<char*>(input.data());
  std::size_t in_left = input.size();
  *error = 0;
  while (in_left > 0) {
    const std::size_t start = output.size();
    output.resize(start + std::max<std::size_t>(64, in_left * 4));
    char* out = output.data() + start;
    std::size_t out_left = output.size() - start;
    const std::size_t result = iconv(cd, &in, &in_left, &out, &out_left);
    const int saved = errno;
    output.resize(output.size() - out_left);
    if (result == static_cast<std::size_t>(-1) && saved != E2BIG) {
      *error = saved;
      break;
    }
  }
  return input.size() - in_left;
}

// Ends the output in the encoding's initial shift state (a no-op for
// stateless encodings such as CP932).
void Flush(iconv_t cd, std::string& output) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    const std::size_t start = output.size();
    output.resize(start + 64);
    char* out = output.data() + start;
    std::size_t out_left = 64;
    const std::size_t result = iconv(cd, nullptr, nullptr, &out, &out_left);
    const int saved = errno;
    output.resize(output.size() - out_left);
    if (result != static_cast<std::size_t>(-1) || saved != E2BIG) return;
  }
}

void Reset(iconv_t cd) { iconv(cd, nullptr, nullptr, nullptr, nullptr); }

std::string_view BytesOf(TextView text) {
  return std::string_view(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(char16_t));
}

}  // namespace



struct Converter::Impl {
  iconv_t to_text = kNoDescriptor;
  iconv_t to_bytes = kNoDescriptor;

  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    if (to_text != kNoDescriptor) iconv_close(to_text);
    if (to_bytes != kNoDescriptor) iconv_close(to_bytes);
  }
};

Converter::Impl* Converter::OpenCodePage(const std::string& name) {
  if (name.empty()) return nullptr;
  auto impl = std::make_unique<Impl>();
  impl->to_text = iconv_open(kNativeUtf16, name.c_str());
  impl->to_bytes = iconv_open(name.c_str(), kNativeUtf16);
  if (impl->to_text == kNoDescriptor || impl->to_bytes == kNoDescriptor) return nullptr;
  return impl.release();
}

void Converter::ImplDeleter::operator()(Impl* impl) const { delete impl; }

std::optional<Text> Converter::PlatformDecode(std::string_view bytes) {
  if (!impl_) {
    if (!IsValidUtf8(bytes)) return std::nullopt;
    try {
      return FromUtf8(bytes);
    } catch (const VbError&) {
      return std::nullopt;
    }
  }
  if (bytes.empty()) return Text();
  Reset(impl_->to_text);
  std::string out;
  int error = 0;
  Convert(impl_->to_text, bytes, out, &error);
  if (error != 0) return std::nullopt;
  Flush(impl_->to_text, out);
  if (out.size() % sizeof(char16_t) != 0) return std::nullopt;
  Text text(out.size() / sizeof(char16_t), u'\0');
  std::memcpy(text.data(), out.data(), out.size());
  return text;
}

std::string Converter::PlatformEncode(TextView text, int* replaced) {
  int count = 0;
  std::string out;
  if (!impl_) {
    // UTF-8 holds every character; only a surrogate without its partner
    // cannot be written.
    Text clean(text);
    for (std::size_t i = 0; i < clean.size();) {
      const CodePoint c = CodePointAt(clean, i);
      if (IsSurrogate(c.value)) {
        clean[i] = u'?';
        ++count;
      }
      i += c.length;
    }
    out = ToUtf8(clean);
  } else {
    Reset(impl_->to_bytes);
    std::size_t pos = 0;  // in code units
    while (pos < text.size()) {
      int error = 0;
      const std::size_t done = Convert(impl_->to_bytes, BytesOf(text.substr(pos)), out, &error);
      pos += done / sizeof(char16_t);
      if (error == 0) break;
      // The character at pos cannot be written: a pair counts as one.
      pos += std::max<std::size_t>(CodePointAt(text, pos).length, 1);
      ++count;
      Convert(impl_->to_bytes, BytesOf(u"?"), out, &error);
    }
    Flush(impl_->to_bytes, out);
  }
  if (replaced) *replaced += count;
  return out;
}

}  // namespace qlx
