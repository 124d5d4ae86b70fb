// The compressed containers of VBA project streams: the published example,
// round trips around the 4096-byte chunk size, and hostile containers.
#include "office/ovba_compression.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

namespace qlx::office {
namespace {

std::string Hex(const char* hex) {
  std::string out;
  for (const char* p = hex; *p;) {
    if (*p == ' ') {
      ++p;
      continue;
    }
    out.push_back(static_cast<char>(std::stoi(std::string(p, 2), nullptr, 16)));
    p += 2;
  }
  return out;
}

// The example of the format's description, both ways.
TEST(OvbaCompression, PublishedExample) {
  const std::string plain = Hex(
      "23 61 61 61 62 63 64 65 66 61 61 61 61 67 68 69 6a 61 61 61 61 61 6B 6C 61 61 61 6D 6E 6F 70 71"
      " 61 61 61 61 61 61 61 61 61 61 61 61 72 73 74 75 76 77 78 79 7A 61 61 61");
  const std::string packed = Hex(
      "01 2F B0 00 23 61 61 61 62 63 64 65 82 66 00 70 61 67 68 69 6A 01 38 08 61 6B 6C 00 30 6D 6E 6F"
      " 70 06 71 02 70 04 10 72 73 74 75 76 10 77 78 79 7A 00 3C");
  EXPECT_EQ(Decompress(packed), plain);
  EXPECT_EQ(Compress(plain), packed);
}

// Source-like text: lines that repeat with small changes.
std::string SourceText(std::size_t size) {
  std::string text;
  for (int n = 0; text.size() < size; ++n) {
    text += "    Debug.Print \"value" + std::to_string(n * 7919 % 1000) + " = \"; value" + std::to_string(n) + "\r\n";
  }
  text.resize(size);
  return text;
}

class RoundTrip : public testing::TestWithParam<std::size_t> {};

TEST_P(RoundTrip, SourceTextComesBackUnchanged) {
  const std::string text = SourceText(GetParam());
  const std::string packed = Compress(text);
  EXPECT_EQ(Decompress(packed), text);
  EXPECT_LE(packed.size(), text.size() * 9 / 8 + 4);
  if (text.size() > 1000) {
    EXPECT_LT(packed.size(), text.size() / 2);
  }
}

TEST_P(RoundTrip, EveryChunkIsTokenEncoded) {
  const std::string packed = Compress(SourceText(GetParam()));
  for (std::size_t pos = 1; pos < packed.size();) {
    const unsigned header = static_cast<unsigned char>(packed[pos]) | (static_cast<unsigned char>(packed[pos + 1]) << 8);
    EXPECT_TRUE(header & 0x8000) << "raw chunk at " << pos;
    pos += (header & 0x0FFF) + 3;
  }
}

INSTANTIATE_TEST_SUITE_P(ChunkBoundaries, RoundTrip,
                         testing::Values(0, 1, 2, 3, 4, 4095, 4096, 4097, 8191, 8192, 8193, 100000));

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 rng(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(rng() & 0xFF);
  return out;
}

TEST(OvbaCompression, IncompressibleFullChunkIsStoredRaw) {
  const std::string noise = Noise(4096 * 2, 1);
  const std::string packed = Compress(noise);
  EXPECT_EQ(packed.size(), 1 + 2 * (2 + 4096u));
  EXPECT_EQ(static_cast<unsigned char>(packed[2]) & 0x80, 0);
  EXPECT_EQ(Decompress(packed), noise);
}

TEST(OvbaCompression, IncompressibleShortLastChunkIsRefusedRatherThanPadded) {
  EXPECT_THROW(Compress(SourceText(4096) + Noise(4000, 2)), OfficeError);
  // A short noisy tail that token-encoding still fits is fine.
  const std::string fits = SourceText(4096) + Noise(1000, 3);
  EXPECT_EQ(Decompress(Compress(fits)), fits);
}

struct Hostile {
  const char* name;
  std::string container;
};

class HostileContainer : public testing::TestWithParam<Hostile> {};

TEST_P(HostileContainer, IsRefused) { EXPECT_THROW(Decompress(GetParam().container, 1 << 20), OfficeError); }

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileContainer,
    testing::Values(Hostile{"Empty", ""}, Hostile{"WrongSignatureByte", Hex("02 00 B0 00 41")},
                    Hostile{"HeaderCutOff", Hex("01 00")}, Hostile{"WrongChunkSignature", Hex("01 01 80 00 41")},
                    // A copy token as the chunk's first token reaches before the chunk.
                    Hostile{"CopyBeforeChunk", Hex("01 02 B0 01 00 00")},
                    Hostile{"CopyTokenCutOff", Hex("01 02 B0 02 41 00")},
                    Hostile{"RawChunkCutOff", Hex("01 FF 3F 41 42 43")},
                    // A chunk of nine bytes that the container ends after eight.
                    Hostile{"ChunkCutOff", Hex("01 06 B0 00 41 42 43 44")},
                    // One literal, then copy tokens of the longest length over and over.
                    Hostile{"ChunkPastItsSize", Hex("01 0A B0 FE 41 FF 0F FF 0F FF 0F FF 0F")}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OvbaCompression, BombIsRefusedAtTheLimit) {
  const std::string packed = Compress(std::string(1 << 20, 'a'));
  EXPECT_LT(packed.size(), 40000u);
  EXPECT_THROW(Decompress(packed, 100000), OfficeError);
  EXPECT_EQ(Decompress(packed).size(), 1u << 20);
}

}  // namespace
}  // namespace qlx::office
