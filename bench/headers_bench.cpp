// qlx headers against qlx check and against the floor (reading, decoding,
// encoding and writing every file), all measured in one run on the same
// generated files, as whole qlx processes:
//  - a project of 200 modules (about 500,000 lines, half CP932, half UTF-8)
//    without headers: check, headers --check, headers (which writes a header
//    above every procedure); then the same project with current headers;
//  - 10,000 small modules, in 100 folders and in one folder.
// Each figure is the best of a few rounds, in wall-clock seconds and in the
// processor seconds of the qlx process (user and system): on a machine
// shared with other work the second says more about qlx than the first.
// Beside the floor, the same floor writing as safely as qlx does (each file
// synced before it is renamed into place, each folder synced once) shows
// what the disk's syncs cost apart from qlx's own work.
// Given qlx binaries, it measures each of them in turn on the same files in
// each round (an older build beside this one, say).
//   headers_bench [ROUNDS [QLX...]]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bench/module_gen.h"
#include "host/files/encoding.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

struct Time {
  double wall = 1e30;
  double cpu = 1e30;
  void Best(const Time& other) {
    wall = std::min(wall, other.wall);
    cpu = std::min(cpu, other.cpu);
  }
};

double ChildrenCpu() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double SelfCpu() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// One qlx run: its time, and its exit status, which must be one of those allowed.
Time RunQlx(const std::string& qlx, const std::string& arguments, std::initializer_list<int> allowed) {
  const std::string command =
      "QLX_NOW=2026-12-08T09:05:03 QLX_INI= HOME=/nonexistent '" + qlx + "' " + arguments + " >/dev/null 2>&1";
  const double cpu = ChildrenCpu();
  const auto start = Clock::now();
  const int status = std::system(command.c_str());
  Time t{std::chrono::duration<double>(Clock::now() - start).count(), ChildrenCpu() - cpu};
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (std::find(allowed.begin(), allowed.end(), code) == allowed.end()) {
    std::fprintf(stderr, "headers_bench: %s %s ended with %d\n", qlx.c_str(), arguments.c_str(), code);
    std::exit(1);
  }
  return t;
}

// A set of generated module files and their bytes, to put back between runs.
struct Project {
  std::vector<fs::path> files;
  std::vector<std::string> bytes;
  long lines = 0;

  void Add(const fs::path& path, std::string content) {
    lines += static_cast<long>(std::count(content.begin(), content.end(), '\n'));
    fs::create_directories(path.parent_path());
    Write(path, content);
    files.push_back(path);
    bytes.push_back(std::move(content));
  }
  void Restore() const {
    for (std::size_t i = 0; i < files.size(); ++i) Write(files[i], bytes[i]);
  }
};

// The floor: every file read, decoded, encoded and written back, in this process.
Time Floor(const Project& project) {
  const double cpu = SelfCpu();
  const auto start = Clock::now();
  for (const fs::path& path : project.files) {
    const std::string bytes = Read(path);
    qlx::Converter converter(qlx::DetectEncoding(bytes, "CP932"));
    const std::optional<qlx::Text> text = converter.Decode(bytes);
    if (!text) std::exit(1);
    Write(path, converter.Encode(*text));
  }
  return Time{std::chrono::duration<double>(Clock::now() - start).count(), SelfCpu() - cpu};
}

// The floor as a safe writer must do it: each file's new content synced to
// the disk in a file beside it, renamed over it, and each folder synced once
// at the end. What this adds to the floor is the disk's part, which no
// change to qlx's own work can take away.
Time SyncedFloor(const Project& project) {
  const double cpu = SelfCpu();
  const auto start = Clock::now();
  std::set<fs::path> folders;
  for (const fs::path& path : project.files) {
    const std::string bytes = Read(path);
    qlx::Converter converter(qlx::DetectEncoding(bytes, "CP932"));
    const std::optional<qlx::Text> text = converter.Decode(bytes);
    if (!text) std::exit(1);
    const std::string out = converter.Encode(*text);
    const fs::path temp = path.parent_path() / ("." + path.filename().string() + ".floor");
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, out.data(), out.size()) != static_cast<ssize_t>(out.size()) || ::fsync(fd) != 0 ||
        ::close(fd) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
      std::exit(1);
    }
    folders.insert(path.parent_path());
  }
  for (const fs::path& folder : folders) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) std::exit(1);
    ::close(fd);
  }
  return Time{std::chrono::duration<double>(Clock::now() - start).count(), SelfCpu() - cpu};
}

// Half the files in CP932, as exported on Japanese Windows, half in UTF-8.
std::string Exported(std::string text, const std::string& name, bool cp932) {
  static qlx::Converter utf8(qlx::Encoding{qlx::Encoding::Kind::kUtf8, "CP932"});
  static qlx::Converter code_page(qlx::Encoding{qlx::Encoding::Kind::kCodePage, "CP932"});
  text.replace(text.find("\"Big\""), 5, "\"" + name + "\"");
  return cp932 ? code_page.Encode(*utf8.Decode(text)) : text;
}

struct Figure {
  std::string label;
  Time time;
};

void Print(const char* title, long files, long lines, const Time& floor, const Time& synced, const Time& check,
           const std::vector<Figure>& rows) {
  std::printf("%s: %ld files, %ld lines\n", title, files, lines);
  std::printf("  %-34s %8s %8s %9s %9s %9s %9s\n", "", "wall s", "cpu s", "wall/flr", "cpu/flr", "wall/chk",
              "cpu/chk");
  const auto line = [&](const std::string& label, const Time& t) {
    std::printf("  %-34s %8.3f %8.3f %9.2f %9.2f %9.2f %9.2f\n", label.c_str(), t.wall, t.cpu, t.wall / floor.wall,
                t.cpu / floor.cpu, t.wall / check.wall, t.cpu / check.cpu);
  };
  line("read, decode, encode, write", floor);
  line("the same, synced and renamed", synced);
  line("check", check);
  for (const Figure& r : rows) line(r.label, r.time);
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// check, headers --check and headers on a project without headers, then
// check and headers --check and headers on the same with current headers;
// each binary in turn within a round.
void Measure(const char* title, const Project& project, const std::string& paths, int rounds, bool current_too,
             const std::vector<std::string>& binaries) {
  struct Times {
    Time check, headers_check, headers, check_current, headers_check_current, headers_current;
  };
  Time floor, synced;
  std::vector<Times> times(binaries.size());
  for (int round = 0; round < rounds; ++round) {
    project.Restore();
    floor.Best(Floor(project));
    project.Restore();
    synced.Best(SyncedFloor(project));
    for (std::size_t b = 0; b < binaries.size(); ++b) {
      const std::string& qlx = binaries[b];
      Times& t = times[b];
      project.Restore();
      t.check.Best(RunQlx(qlx, "check " + paths, {1}));
      t.headers_check.Best(RunQlx(qlx, "headers --check -q " + paths, {1}));
      t.headers.Best(RunQlx(qlx, "headers -q " + paths, {0}));
      if (!current_too) continue;
      t.check_current.Best(RunQlx(qlx, "check " + paths, {0, 1}));
      t.headers_check_current.Best(RunQlx(qlx, "headers --check -q " + paths, {0}));
      t.headers_current.Best(RunQlx(qlx, "headers -q " + paths, {0}));
    }
  }
  for (std::size_t b = 0; b < binaries.size(); ++b) {
    const Times& t = times[b];
    std::vector<Figure> rows = {{"headers --check (none current)", t.headers_check},
                                {"headers (none current: writes all)", t.headers}};
    if (current_too) {
      rows.push_back({"check (all current)", t.check_current});
      rows.push_back({"headers --check (all current)", t.headers_check_current});
      rows.push_back({"headers (all current: writes none)", t.headers_current});
    }
    const std::string heading = binaries.size() > 1 ? std::string(title) + " (" + binaries[b] + ")" : title;
    Print(heading.c_str(), static_cast<long>(project.files.size()), project.lines, floor, synced, t.check, rows);
  }
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
  std::vector<std::string> binaries(argv + std::min(argc, 2), argv + argc);
  if (binaries.empty()) binaries.push_back(QLX_BINARY);
  const fs::path root = fs::temp_directory_path() / ("qlx-headers-bench-" + std::to_string(::getpid()));
  const std::string settings = "[Author]\r\nName=Bench\r\n";

  Project big;
  const fs::path big_dir = root / "project";
  for (int m = 0; m < 200; ++m) {
    const std::string name = "Module" + std::to_string(m + 1);
    big.Add(big_dir / (name + ".bas"), Exported(qlx::bench::MakeModule(25, 3, 2500), name, m % 2 == 0));
  }
  Write(big_dir / "QLX.ini", settings);
  Measure("project of 200 modules", big, Quoted(big_dir), rounds, true, binaries);

  // Small modules: 4 procedures in about 60 lines each.
  const std::string small = qlx::bench::MakeModule(4, 2, 60);
  Project spread;
  const fs::path spread_dir = root / "spread";
  for (int f = 0; f < 100; ++f) {
    for (int m = 0; m < 100; ++m) {
      const std::string name = "M" + std::to_string(f) + "_" + std::to_string(m);
      spread.Add(spread_dir / ("folder" + std::to_string(f)) / (name + ".bas"), Exported(small, name, m % 2 == 0));
    }
  }
  Write(spread_dir / "QLX.ini", settings);
  Measure("10,000 small modules in 100 folders", spread, Quoted(spread_dir), rounds, false, binaries);
  fs::remove_all(spread_dir);

  Project flat;
  const fs::path flat_dir = root / "flat";
  for (int m = 0; m < 10000; ++m) {
    const std::string name = "M" + std::to_string(m);
    flat.Add(flat_dir / (name + ".bas"), Exported(small, name, m % 2 == 0));
  }
  Write(flat_dir / "QLX.ini", settings);
  Measure("10,000 small modules in one folder", flat, Quoted(flat_dir), rounds, false, binaries);

  std::error_code ec;
  fs::remove_all(root, ec);
  return 0;
}
