// qlx headers over a folder of 200 modules (about 500,000 lines): lines per
// second, against reading, decoding, encoding and writing the same files in
// the same run. The first run writes a header above every procedure, the
// second finds them all current and writes nothing.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bench/module_gen.h"
#include "host/encoding.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kModules = 200;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

double Seconds(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

}  // namespace

int main() {
  const fs::path dir = fs::temp_directory_path() / ("qlx-headers-bench-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  qlx::Converter utf8(qlx::Encoding{qlx::Encoding::Kind::kUtf8, "CP932"});
  qlx::Converter cp932(qlx::Encoding{qlx::Encoding::Kind::kCodePage, "CP932"});
  long lines = 0;
  std::vector<fs::path> files;
  for (int m = 0; m < kModules; ++m) {
    std::string text = qlx::bench::MakeModule(25, 3, 2500);
    const std::string name = "Module" + std::to_string(m + 1);
    text.replace(text.find("\"Big\""), 5, "\"" + name + "\"");
    lines += static_cast<long>(std::count(text.begin(), text.end(), '\n'));
    // Half the project in CP932, as exported on Japanese Windows, half in UTF-8.
    const fs::path path = dir / (name + ".bas");
    Write(path, m % 2 == 0 ? cp932.Encode(*utf8.Decode(text)) : text);
    files.push_back(path);
  }

  // The baseline: every file read, decoded, encoded and written back.
  auto start = Clock::now();
  for (const fs::path& path : files) {
    const std::string bytes = Read(path);
    qlx::Converter converter(qlx::DetectEncoding(bytes, "CP932"));
    const std::optional<qlx::Text> text = converter.Decode(bytes);
    if (!text) return 1;
    Write(path, converter.Encode(*text));
  }
  const double baseline = Seconds(start);

  Write(dir / "QLX.ini", "[Author]\r\nName=Bench\r\n");
  const std::string command =
      "QLX_NOW=2026-12-08T09:05:03 QLX_INI= HOME=/nonexistent '" QLX_BINARY "' headers -q '" + dir.string() + "'";
  start = Clock::now();
  const int first_status = std::system(command.c_str());
  const double first = Seconds(start);
  start = Clock::now();
  const int second_status = std::system(command.c_str());
  const double second = Seconds(start);

  std::printf("qlx headers over %d modules, %ld lines (%zu procedures each)\n", kModules, lines,
              static_cast<std::size_t>(25));
  std::printf("  read, decode, encode, write:   %7.3f s  %10.0f lines/s\n", baseline, lines / baseline);
  std::printf("  headers, first run (writes):   %7.3f s  %10.0f lines/s  ratio %.1f\n", first, lines / first,
              first / baseline);
  std::printf("  headers, second run (nothing): %7.3f s  %10.0f lines/s  ratio %.1f\n", second, lines / second,
              second / baseline);
  std::error_code ec;
  fs::remove_all(dir, ec);
  return first_status == 0 && second_status == 0 ? 0 : 1;
}
