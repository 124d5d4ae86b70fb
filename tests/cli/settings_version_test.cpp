// Where qlx finds its settings file, and the version it reports.
#include <gtest/gtest.h>

#include "cli/cli_support.h"
#include "qlx_version.h"

namespace qlx::testing {
namespace {

const std::string kNow = "QLX_NOW=2026-12-08T09:05:03 LANG=ja_JP.UTF-8";

TEST(Version, IsTheProjectVersion) {
  const RunResult r = RunQlx({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(QLX_VERSION) + "\n");
  EXPECT_EQ(std::string(QLX_VERSION).find_first_not_of("0123456789."), std::string::npos);
}

// Each candidate settings file names a different author; the header shows
// whose file was read.
struct SettingsCase {
  const char* name;
  const char* env;       // variables set for qlx; DIR stands for the scratch folder
  bool ini_option;       // --ini option.ini, relative to the working folder
  const char* expected;  // the author of the file qlx must read
};

class SettingsLookup : public ::testing::TestWithParam<SettingsCase> {};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

TEST_P(SettingsLookup, ReadsTheFirstOfOptionVariableAndDefaultFolders) {
  const SettingsCase& c = GetParam();
  TempDir dir;
  const auto ini = [&](const std::filesystem::path& path, const std::string& author) {
    std::filesystem::create_directories(path.parent_path());
    WriteFile(path, "[Author]\r\nName=" + author + "\r\n");
  };
  ini(dir / "work" / "option.ini", "FromOption");
  ini(dir / "env.ini", "FromVariable");
  ini(dir / "xdg" / "qlx" / "QLX.ini", "FromXdg");
  ini(dir / "home" / ".config" / "qlx" / "QLX.ini", "FromHome");
  WriteFile(dir / "work" / "Module1.bas", "Attribute VB_Name = \"Module1\"\r\nSub Foo()\r\nEnd Sub\r\n");

  const std::string env = "cd " + Quote((dir / "work").string()) + " && env -u QLX_INI -u XDG_CONFIG_HOME " +
                          Replace(c.env, "DIR", dir.path().string()) + " " + kNow;
  std::vector<std::string> args = {"header", "Module1.bas", "--row", "1"};
  if (c.ini_option) args.insert(args.end(), {"--ini", "option.ini"});
  const RunResult r = RunQlx(args, env);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string module = ReadFile(dir / "work" / "Module1.bas");
  EXPECT_NE(module.find(c.expected), std::string::npos) << module;
  for (const char* other : {"FromOption", "FromVariable", "FromXdg", "FromHome"}) {
    if (std::string(other) != c.expected) {
      EXPECT_EQ(module.find(other), std::string::npos) << module;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Precedence, SettingsLookup,
    ::testing::Values(
        SettingsCase{"OptionBeatsAll", "QLX_INI=DIR/env.ini XDG_CONFIG_HOME=DIR/xdg HOME=DIR/home", true, "FromOption"},
        SettingsCase{"VariableBeatsFolders", "QLX_INI=DIR/env.ini XDG_CONFIG_HOME=DIR/xdg HOME=DIR/home", false,
                     "FromVariable"},
        SettingsCase{"XdgBeatsHome", "XDG_CONFIG_HOME=DIR/xdg HOME=DIR/home", false, "FromXdg"},
        SettingsCase{"RelativeXdgIsIgnored", "XDG_CONFIG_HOME=xdg HOME=DIR/home", false, "FromHome"},
        SettingsCase{"Home", "HOME=DIR/home", false, "FromHome"}),
    [](const ::testing::TestParamInfo<SettingsCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qlx::testing
