// Real public VBA modules (tests/corpus/modules, each listed in
// tests/corpus/SOURCES with its repository, path, commit and licence), as
// their repositories hold them, through every writer: the three promises of
// support/invariants.h hold on each.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/invariants.h"

namespace qlx {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(QLX_SOURCE_DIR) / "tests" / "corpus";

struct Source {
  std::string file;      // under modules/
  std::string encoding;  // the code page qlx is told (--encoding)
  std::string repository;
  std::string path;
  std::string commit;
  std::string licence;
};

// SOURCES: one module a line, fields separated by tabs; "#" starts a comment.
std::vector<Source> ReadSources() {
  std::ifstream in(kCorpus / "SOURCES");
  std::vector<Source> sources;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::vector<std::string> fields;
    std::stringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    EXPECT_EQ(fields.size(), 6u) << line;
    if (fields.size() != 6) continue;
    sources.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]});
  }
  return sources;
}

TEST(Corpus, EveryModuleIsListedWithItsSourceAndAPermissiveLicence) {
  const std::vector<Source> sources = ReadSources();
  std::set<std::string> listed;
  std::set<std::string> repositories;
  const std::set<std::string> permissive = {"MIT", "BSD-2-Clause", "BSD-3-Clause", "Apache-2.0", "Unlicense", "0BSD",
                                            "ISC"};
  for (const Source& s : sources) {
    EXPECT_TRUE(listed.insert(s.file).second) << s.file << " is listed twice";
    repositories.insert(s.repository);
    EXPECT_TRUE(permissive.count(s.licence)) << s.file << ": " << s.licence;
    EXPECT_EQ(s.commit.size(), 40u) << s.file;
    EXPECT_TRUE(fs::is_regular_file(kCorpus / "modules" / s.file)) << s.file;
  }
  for (const auto& entry : fs::recursive_directory_iterator(kCorpus / "modules")) {
    if (!entry.is_regular_file()) continue;
    const std::string file = fs::relative(entry.path(), kCorpus / "modules").generic_string();
    EXPECT_TRUE(listed.count(file)) << file << " is not in SOURCES";
  }
  EXPECT_GE(listed.size(), 40u);
  EXPECT_GE(repositories.size(), 10u);
}

class CorpusWriter : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusWriter, KeepsItsPromisesOnEveryModule) {
  const std::string writer = GetParam();
  for (const Source& s : ReadSources()) {
    SCOPED_TRACE(s.file);
    const std::string bytes = testing::ReadFile(kCorpus / "modules" / s.file);
    EXPECT_EQ(testing::CheckInvariants(writer, bytes, s.encoding), std::vector<std::string>{});
  }
}

INSTANTIATE_TEST_SUITE_P(Writers, CorpusWriter, ::testing::ValuesIn(testing::kWriters), [](const auto& info) {
  std::string name = info.param;
  std::erase(name, '-');
  return name;
});

}  // namespace
}  // namespace qlx
