#include "engine/platform/posix/desktop_entry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "engine/settings_store.h"
#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

namespace fs = std::filesystem;

TEST(DesktopEntry, ExecQuotesAndEscapesAsTheDesktopEntryRulesRequire) {
  using platform::ExecArgument;
  EXPECT_EQ(ExecArgument("/usr/bin/keldo-link"), "/usr/bin/keldo-link");
  EXPECT_EQ(ExecArgument("/opt/KELDO Link/keldo-link"), "\"/opt/KELDO Link/keldo-link\"");
  // Inside quotes $ and \ get a backslash; the string escapes then double
  // every backslash: a literal \ becomes four, a literal $ becomes \\$.
  EXPECT_EQ(ExecArgument("/opt/a$b\\c\"d`e"), R"("/opt/a\\$b\\\\c\\"d\\`e")");
  EXPECT_EQ(ExecArgument("/opt/100%/run"), "/opt/100%%/run");
  EXPECT_EQ(ExecArgument("/opt/it's"), "\"/opt/it's\"");
  EXPECT_EQ(ExecArgument("/opt/tab\there"), "\"/opt/tab\\there\"");
  EXPECT_EQ(ExecArgument("/opt/new\nline"), "\"/opt/new\\nline\"");
  EXPECT_FALSE(ExecArgument(std::string("/opt/bell\a")));
}

TEST(DesktopEntry, IsAValidApplicationEntry) {
  const auto entry = platform::AutostartEntry("/opt/KELDO Link/keldo-link");
  ASSERT_TRUE(entry);
  std::istringstream lines(*entry);
  std::string line;
  ASSERT_TRUE(std::getline(lines, line));
  EXPECT_EQ(line, "[Desktop Entry]");
  std::map<std::string, std::string> keys;
  while (std::getline(lines, line)) {
    const auto equals = line.find('=');
    ASSERT_NE(equals, std::string::npos) << line;
    EXPECT_TRUE(keys.emplace(line.substr(0, equals), line.substr(equals + 1)).second) << line;
  }
  EXPECT_EQ(keys["Type"], "Application");
  EXPECT_EQ(keys["Name"], "KELDO Link");
  EXPECT_EQ(keys["Exec"], "\"/opt/KELDO Link/keldo-link\"");
  EXPECT_EQ(keys["Icon"], "keldo-link");  // the menu entry's icon, from the hicolor theme
}

class AutostartTest : public ::testing::Test {
 protected:
  static fs::path Folder() { return fs::path(std::getenv("XDG_CONFIG_HOME")) / "autostart"; }

  test::RegistrySandbox sandbox_;
};

TEST_F(AutostartTest, RegisteringMakesTheFolderAndReplacesAnOldEntry) {
  ASSERT_FALSE(fs::exists(Folder()));
  ASSERT_TRUE(RegisterAutorun().written);
  EXPECT_EQ(fs::status(Folder()).permissions(), fs::perms(0700));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(fs::status(Folder() / "KELDOLink.desktop").permissions(), fs::perms(0644 & ~mask));
  EXPECT_EQ(sandbox_.AutorunCommand(), fs::read_symlink("/proc/self/exe").string());

  std::ofstream(Folder() / "KELDOLink.desktop") << "[Desktop Entry]\nType=Application\n"
                                                   "Name=old\nExec=/old/place/keldo-link\n";
  ASSERT_EQ(sandbox_.AutorunCommand(), "/old/place/keldo-link");
  ASSERT_TRUE(RegisterAutorun().written);
  EXPECT_EQ(sandbox_.AutorunCommand(), fs::read_symlink("/proc/self/exe").string());
}

}  // namespace
}  // namespace keldo
