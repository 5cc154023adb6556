#include "engine/platform/posix/hive_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/registry.h"
#include "engine/settings_store.h"
#include "tests/support/posix/in_child.h"
#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

unsigned ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// Runs `body` in a child process and returns its exit status; the child
// reports failures through its exit code since gtest is not fork-safe.
class HiveFileTest : public ::testing::Test {
 protected:
  fs::path Folder() const { return platform::RegistryFolder(); }
  fs::path MachineHive() const { return platform::HivePath(platform::kRegLocalMachine); }

  test::RegistrySandbox sandbox_;
};

TEST_F(HiveFileTest, SaveCreatesTheFolderAndARegeditFile) {
  ASSERT_FALSE(fs::exists(Folder()));
  LinkSettings settings = DefaultLinkSettings();
  settings.ServerName = "C:\\bench \"A\"";
  ASSERT_TRUE(Save(settings).written);

  EXPECT_EQ(ModeOf(Folder()), 0700u);
  const std::string text = ReadFile(MachineHive());
  EXPECT_THAT(text, StartsWith("REGEDIT4\n\n"));
  EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\TALMO\\KELDO]\n"
                              "\"ServerID\"=dword:00000001\n"
                              "\"ServerName\"=\"C:\\\\bench \\\"A\\\"\"\n"));
  EXPECT_THAT(text, HasSubstr("\"ServerPort\"=dword:00001389\n"));
  EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\TALMO]\n"));
  EXPECT_FALSE(fs::exists(platform::HivePath(platform::kRegCurrentUser)));
  // Nothing but the hive and its lock file is left behind.
  for (const auto& entry : fs::directory_iterator(Folder())) {
    EXPECT_THAT(entry.path().filename().string(), StartsWith("HKEY_LOCAL_MACHINE.reg")) << entry;
    EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr("tmp")));
  }
}

TEST_F(HiveFileTest, AHandWrittenHiveIsReadAndEverythingElseSurvivesASave) {
  const std::string unknown = "\"Notes\"=hex(7):61,00,62,00,00,00";
  WriteFile(MachineHive(),
            "REGEDIT4\r\n\r\n"
            "; kept by the lab\r\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\talmo\\keldo]\r\n"
            "\"serverid\"=dword:0000002a\r\n"
            "\"ServerHost\"=\"scale.lab\"\r\n"
            "\"ServerMode\"=dword:00000000\r\n" +
                unknown +
                "\r\n"
                "\"Typo\"=dwrod:1\r\n"
                "\r\n"
                "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n"
                "\"Keep\"=\"me\"\r\n");
  fs::permissions(MachineHive(), fs::perms(0640));

  LinkSettings settings;
  Load(settings);
  EXPECT_EQ(settings.ServerID, 42);
  EXPECT_EQ(settings.ServerHost, "scale.lab");
  EXPECT_EQ(settings.ServerMode, 0);

  settings.ServerPort = 6001;
  ASSERT_TRUE(Save(settings).written);
  const std::string text = ReadFile(MachineHive());
  EXPECT_THAT(text, HasSubstr("; kept by the lab\n"));
  EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\SOFTWARE\\talmo\\keldo]\n"
                              "\"serverid\"=dword:0000002a\n"));
  EXPECT_THAT(text, HasSubstr(unknown + "\n"));
  EXPECT_THAT(text, HasSubstr("\"Typo\"=dwrod:1\n"));
  EXPECT_THAT(text, HasSubstr("[HKEY_LOCAL_MACHINE\\Software\\Other]\n\"Keep\"=\"me\"\n"));
  EXPECT_THAT(text, HasSubstr("\"ServerPort\"=dword:00001771\n"));
  EXPECT_EQ(text.find("\r"), std::string::npos);
  EXPECT_EQ(ModeOf(MachineHive()), 0640u);
}

TEST_F(HiveFileTest, AForeignFileIsSetAsideNotOverwritten) {
  const std::string foreign = "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\X]\n";
  WriteFile(MachineHive(), foreign);
  LinkSettings settings;
  Load(settings);
  EXPECT_EQ(settings.ServerMode, 1);
  EXPECT_EQ(ReadFile(MachineHive()), foreign);  // reading never rewrites

  ASSERT_TRUE(SaveAutoStart(1).written);
  int aside = 0;
  for (const auto& entry : fs::directory_iterator(Folder())) {
    if (entry.path().filename().string().rfind("HKEY_LOCAL_MACHINE.reg.unreadable-", 0) == 0) {
      ++aside;
      EXPECT_EQ(ReadFile(entry.path()), foreign);
    }
  }
  EXPECT_EQ(aside, 1);
  Load(settings);
  EXPECT_EQ(settings.ServerAutoStart, 1);
}

// A hive that is no regular file, or far too large, is refused without
// waiting or reading it: the defaults load, saving is refused, the file stays
// as it was, and the reason names the file. Each case runs in a child that a
// blocking open or an endless read would keep past its alarm.
TEST_F(HiveFileTest, HostileHiveFilesAreRefusedWithoutWaitingOrReading) {
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> make;
    const char* reason;
  };
  const Case cases[] = {
      {"fifo", [](const fs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); },
       "not a regular file"},
      {"link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); },
       "not a regular file"},
      {"folder", [](const fs::path& p) { fs::create_directories(p); }, "not a regular file"},
      {"100 MB",
       [](const fs::path& p) {
         WriteFile(p, "REGEDIT4\n\n");
         fs::resize_file(p, 100 * 1024 * 1024);  // sparse: costs no disk
       },
       "larger than 4 MiB"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::create_directories(Folder());
    fs::remove_all(MachineHive());
    c.make(MachineHive());
    const auto type = fs::symlink_status(MachineHive()).type();
    const int failed = InChild([&] {
      ::alarm(3);
      LinkSettings loaded;
      loaded.ServerPort = 0;
      Load(loaded);
      if (loaded.ServerPort != 5001 || loaded.ServerMode != 1 || loaded.COMPort != 1) {
        return 11;
      }
      if (Save(loaded).written) {
        return 12;
      }
      const std::string why = DescribeUnreadableSettings();
      if (why != MachineHive().string() + ": " + c.reason) {
        std::fprintf(stderr, "%s\n", why.c_str());
        return 13;
      }
      return 0;
    });
    EXPECT_EQ(failed, 0);
    EXPECT_EQ(fs::symlink_status(MachineHive()).type(), type) << "left as it was";
  }
}

TEST_F(HiveFileTest, UnreadableSettingsAreDescribedAndAbsentOnesAreNot) {
  EXPECT_EQ(DescribeUnreadableSettings(), "") << "no hive yet";
  ASSERT_TRUE(Save(DefaultLinkSettings()).written);
  EXPECT_EQ(DescribeUnreadableSettings(), "");

  fs::permissions(Folder(), fs::perms(0755));
  fs::permissions(MachineHive(), fs::perms::none);
  const int failed = InChildAsNobody([&] {
    const std::string why = DescribeUnreadableSettings();
    return why == MachineHive().string() + ": Permission denied" ? 0 : 11;
  });
  EXPECT_EQ(failed, 0);

  fs::remove(MachineHive());
  WriteFile(MachineHive(), "Windows Registry Editor Version 5.00\n");
  EXPECT_EQ(DescribeUnreadableSettings(), MachineHive().string() + ": not a REGEDIT4 file");
}

// Every registry call looks its key up in the file; an unchanged file is
// parsed once, a changed one again.
TEST_F(HiveFileTest, AnUnchangedHiveIsParsedOnce) {
  LinkSettings stored = DefaultLinkSettings();
  stored.ServerID = 9;
  ASSERT_TRUE(Save(stored).written);
  // Changed within the last tick of the file system's clock, a file could
  // change again unseen: only an older one is kept.
  fs::last_write_time(MachineHive(), fs::last_write_time(MachineHive()) - std::chrono::hours(1));
  LinkSettings loaded;
  Load(loaded);
  const std::size_t parsed = platform::HiveFilesParsed();
  for (int i = 0; i < 5; ++i) {
    Load(loaded);
  }
  EXPECT_EQ(loaded.ServerID, 9);
  EXPECT_EQ(platform::HiveFilesParsed(), parsed);

  stored.ServerID = 10;
  ASSERT_TRUE(Save(stored).written);
  Load(loaded);
  EXPECT_EQ(loaded.ServerID, 10);
}

// Saves are made under the hive's lock, so a temporary file found there was
// left by a save that was killed.
TEST_F(HiveFileTest, ASaveClearsTemporariesThatAKilledSaveLeft) {
  fs::create_directories(Folder());
  const fs::path stale = Folder() / ".HKEY_LOCAL_MACHINE.reg.tmp-4242-0";
  const fs::path otherHive = Folder() / ".HKEY_CURRENT_USER.reg.tmp-4242-0";
  const fs::path unrelated = Folder() / "HKEY_LOCAL_MACHINE.reg.tmp-notes";
  for (const fs::path& p : {stale, otherHive, unrelated}) {
    WriteFile(p, "REGEDIT4\n");
  }
  ASSERT_TRUE(Save(DefaultLinkSettings()).written);
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(otherHive)) << "another hive's, under another lock";
  EXPECT_TRUE(fs::exists(unrelated));
}

TEST_F(HiveFileTest, AHiveTheUserMayOnlyReadLoadsButRefusesToSave) {
  LinkSettings stored = DefaultLinkSettings();
  stored.ServerID = 77;
  stored.ServerMode = 0;
  ASSERT_TRUE(Save(stored).written);
  // Readable by everybody, writable by the owner only; a non-root owner
  // gives up the write bit too.
  fs::permissions(Folder(), fs::perms(0755));
  fs::permissions(MachineHive(), fs::perms(::geteuid() == 0 ? 0644 : 0444));
  const std::string before = ReadFile(MachineHive());

  const int failed = InChildAsNobody([&] {
    LinkSettings loaded;
    Load(loaded);
    if (loaded.ServerID != 77 || loaded.ServerMode != 0) {
      return 11;
    }
    LinkSettings changed = loaded;
    changed.ServerID = 5;
    const StoreResult save = Save(changed);
    if (save.written || save.failure.find("cannot open") == std::string::npos) {
      return 12;
    }
    if (SaveAutoStart(1).written) {
      return 13;
    }
    TRegistry reg;
    reg.SelectRoot(RegistryRoot::LocalMachine);
    if (reg.OpenPath(kSettingsKey, false)) {
      return 14;  // full access must be refused
    }
    return 0;
  });
  EXPECT_EQ(failed, 0);
  EXPECT_EQ(ReadFile(MachineHive()), before);
}

// An administrator's save into a service's state folder (another user's)
// leaves the files to that user, or the service could read them no more.
TEST_F(HiveFileTest, ARootSaveInAnotherUsersFolderLeavesTheFilesToThatUser) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root";
  }
  fs::create_directories(platform::RegistryFolder());
  ASSERT_EQ(::chown(platform::RegistryFolder().c_str(), kNobody, kNobody), 0);
  ASSERT_TRUE(Save(DefaultLinkSettings()).written);
  const std::string hive = platform::HivePath(platform::kRegLocalMachine);
  for (const std::string& file : {hive, hive + ".lock"}) {
    struct stat status {};
    ASSERT_EQ(::stat(file.c_str(), &status), 0) << file;
    EXPECT_EQ(status.st_uid, kNobody) << file;
  }
}

TEST_F(HiveFileTest, TwoProcessesSavingAtOnceLoseNothing) {
  constexpr int kValues = 25;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  auto writer = [&](const std::string& name) {
    return [&, name] {
      char go = 0;
      if (::read(ready[0], &go, 1) != 1) {
        return 20;
      }
      for (int i = 0; i < kValues; ++i) {
        TRegistry reg;
        reg.SelectRoot(RegistryRoot::LocalMachine);
        // Each writer adds keys of its own and values to a key both share.
        if (!reg.OpenPath("\\Software\\" + name + "\\" + std::to_string(i), true) ||
            !reg.OpenPath("\\Software\\Shared", true)) {
          return 21;
        }
        reg.WriteInt(name + std::to_string(i), i);
      }
      return 0;
    };
  };
  std::vector<pid_t> children;
  for (const char* name : {"First", "Second"}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::_exit(writer(name)());
    }
    children.push_back(pid);
  }
  ASSERT_EQ(::write(ready[1], "gg", 2), 2);
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  ::close(ready[0]);
  ::close(ready[1]);

  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  ASSERT_TRUE(reg.OpenPath("\\Software\\Shared", false));
  std::vector<std::string> names;
  reg.ListValueNames(names);
  EXPECT_EQ(names.size(), 2u * kValues);
  for (int i = 0; i < kValues; ++i) {
    EXPECT_EQ(reg.ReadInt("First" + std::to_string(i)), i);
    EXPECT_EQ(reg.ReadInt("Second" + std::to_string(i)), i);
    EXPECT_TRUE(reg.OpenPath("\\Software\\First\\" + std::to_string(i), false));
    EXPECT_TRUE(reg.OpenPath("\\Software\\Second\\" + std::to_string(i), false));
    ASSERT_TRUE(reg.OpenPath("\\Software\\Shared", false));
  }
}

}  // namespace
}  // namespace keldo
