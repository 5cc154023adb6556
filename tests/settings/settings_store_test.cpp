#include "engine/settings_store.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/platform/registry_api.h"
#include "engine/registry.h"
#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;

constexpr const char* kKeyPath = "Software\\TALMO\\KELDO";

// The settings key as a hand-edited registry may hold it.
class SettingsKey {
 public:
  SettingsKey() {
    reg_.SelectRoot(RegistryRoot::LocalMachine);
    EXPECT_TRUE(reg_.OpenPath(kSettingsKey, true));
  }

  void Put(const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data) {
    platform::RegKey key = 0;
    ASSERT_EQ(platform::OpenKey(platform::kRegLocalMachine, kKeyPath, kKeyAllAccess, key), 0);
    EXPECT_EQ(
        platform::SetValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
        0);
    platform::CloseKey(key);
  }
  void PutInt(const std::string& name, std::int32_t value) { reg_.WriteInt(name, value); }
  void PutText(const std::string& name, const std::string& text) { reg_.WriteText(name, text); }
  // Type and bytes of a stored value.
  std::pair<std::uint32_t, std::vector<std::uint8_t>> Get(const std::string& name) {
    std::vector<std::uint8_t> data(256);
    std::uint32_t type = platform::kRegNone;
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    platform::RegKey key = 0;
    platform::OpenKey(platform::kRegLocalMachine, kKeyPath, kKeyRead, key);
    platform::QueryValue(key, name, &type, data.data(), &size);
    platform::CloseKey(key);
    data.resize(type == platform::kRegNone ? 0 : size);
    return {type, data};
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    reg_.ListValueNames(names);
    return names;
  }

  // Every setting stored with a value other than its default.
  void PutAllNonDefault() {
    PutInt("ServerID", 42);
    PutText("ServerName", "Bench 7");
    PutInt("ServerMode", 0);
    PutText("ServerHost", "scale.example");
    PutInt("ServerPort", 6000);
    PutInt("ServerAutoStart", 1);
    PutInt("COMPort", 4);
    PutInt("COMBaud", 11);
  }

 private:
  TRegistry reg_;
};

bool KeyExists() {
  TRegistry reg;
  reg.SelectRoot(RegistryRoot::LocalMachine);
  return reg.OpenPath(kKeyPath, false);
}

LinkSettings Loaded() {
  LinkSettings settings;
  Load(settings);
  return settings;
}

// The fields in store order, as text.
std::vector<std::pair<std::string, std::string>> InStoreOrder(const LinkSettings& s) {
  return {{"ServerID", std::to_string(s.ServerID)},
          {"ServerName", s.ServerName},
          {"ServerMode", std::to_string(s.ServerMode)},
          {"ServerHost", s.ServerHost},
          {"ServerPort", std::to_string(s.ServerPort)},
          {"ServerAutoStart", std::to_string(s.ServerAutoStart)},
          {"COMPort", std::to_string(s.COMPort)},
          {"COMBaud", std::to_string(s.COMBaud)}};
}

// Every field from `first` on in store order holds its default.
void ExpectDefaultsFrom(const LinkSettings& s, const std::string& first) {
  const auto actual = InStoreOrder(s);
  const auto defaults = InStoreOrder(DefaultLinkSettings());
  bool reached = false;
  for (std::size_t i = 0; i < actual.size(); ++i) {
    reached = reached || actual[i].first == first;
    if (reached) {
      EXPECT_EQ(actual[i].second, defaults[i].second) << actual[i].first;
    }
  }
  EXPECT_TRUE(reached) << "no field named " << first;
}

class SettingsStoreTest : public ::testing::Test {
 protected:
  test::RegistrySandbox sandbox_;
};

TEST_F(SettingsStoreTest, MissingKeyLoadsDefaultsAndStaysMissing) {
  LinkSettings settings;
  settings.ServerName = "left over";
  Load(settings);
  ExpectDefaultsFrom(settings, "ServerID");
  EXPECT_FALSE(KeyExists());
}

TEST_F(SettingsStoreTest, KeyWithoutValuesMeansClientMode) {
  { SettingsKey key; }
  const LinkSettings settings = Loaded();
  EXPECT_EQ(settings.ServerMode, 0);
  ExpectDefaultsFrom(settings, "ServerHost");
  EXPECT_EQ(settings.ServerID, 1);
  EXPECT_EQ(settings.ServerName, "KELDO");
}

TEST_F(SettingsStoreTest, SaveWritesEveryValueWithItsTypeAndLoadReadsThemBack) {
  LinkSettings saved;
  saved.ServerID = 9999;
  saved.ServerName = "abc";
  saved.ServerMode = 0;
  saved.ServerHost = "10.0.0.7";
  saved.ServerPort = 5001;
  saved.ServerAutoStart = 2;
  saved.COMPort = 12;
  saved.COMBaud = -1;
  const StoreResult result = Save(saved);
  EXPECT_TRUE(result.written) << result.failure;

  SettingsKey key;
  EXPECT_THAT(key.Names(), ::testing::UnorderedElementsAre(
                               "ServerID", "ServerName", "ServerMode", "ServerHost", "ServerPort",
                               "ServerAutoStart", "COMPort", "COMBaud"));
  EXPECT_EQ(key.Get("ServerName").first, platform::kRegSz);
  EXPECT_THAT(key.Get("ServerName").second, ElementsAre('a', 'b', 'c', 0));
  EXPECT_EQ(key.Get("ServerPort").first, platform::kRegDword);
  EXPECT_THAT(key.Get("ServerPort").second, ElementsAre(0x89, 0x13, 0x00, 0x00));
  EXPECT_THAT(key.Get("COMBaud").second, ElementsAre(0xFF, 0xFF, 0xFF, 0xFF));

  const LinkSettings loaded = Loaded();
  EXPECT_EQ(loaded.ServerID, 9999);
  EXPECT_EQ(loaded.ServerName, "abc");
  EXPECT_EQ(loaded.ServerMode, 0);
  EXPECT_EQ(loaded.ServerHost, "10.0.0.7");
  EXPECT_EQ(loaded.ServerPort, 5001);
  EXPECT_EQ(loaded.ServerAutoStart, 2);
  EXPECT_EQ(loaded.COMPort, 12);
  EXPECT_EQ(loaded.COMBaud, -1);
}

TEST_F(SettingsStoreTest, AWrongTypeEndsTheLoadAtThatValue) {
  SettingsKey key;
  key.PutAllNonDefault();
  key.PutInt("ServerName", 5);
  LinkSettings settings = Loaded();
  EXPECT_EQ(settings.ServerID, 42);
  ExpectDefaultsFrom(settings, "ServerName");  // ServerMode 1 although 0 is stored

  key.PutText("ServerName", "Bench 7");
  key.PutText("ServerPort", "6000");
  settings = Loaded();
  EXPECT_EQ(settings.ServerID, 42);
  EXPECT_EQ(settings.ServerName, "Bench 7");
  EXPECT_EQ(settings.ServerMode, 0);
  EXPECT_EQ(settings.ServerHost, "scale.example");
  ExpectDefaultsFrom(settings, "ServerPort");
}

TEST_F(SettingsStoreTest, IntegersOfTheWrongTypeOrSizeEndTheLoad) {
  SettingsKey key;
  key.PutAllNonDefault();
  key.Put("ServerAutoStart", platform::kRegBinary, {1, 0, 0, 0});
  LinkSettings settings = Loaded();
  EXPECT_EQ(settings.ServerPort, 6000);
  ExpectDefaultsFrom(settings, "ServerAutoStart");

  key.PutInt("ServerAutoStart", 1);
  key.Put("COMPort", platform::kRegDword, {4, 0, 0, 0, 0, 0, 0, 0});
  settings = Loaded();
  EXPECT_EQ(settings.ServerAutoStart, 1);
  ExpectDefaultsFrom(settings, "COMPort");
}

TEST_F(SettingsStoreTest, ATextWithoutDataLoadsEmptyNotTheFallback) {
  SettingsKey key;
  key.Put("ServerName", platform::kRegSz, {});
  EXPECT_EQ(Loaded().ServerName, "");
}

// A restriction lost with a failed load would open the listener to everyone.
TEST_F(SettingsStoreTest, ServerBindAndServerAllowAreReadAfterAFailedLoadAndLeftAloneBySave) {
  SettingsKey key;
  key.PutAllNonDefault();
  key.PutText("ServerBind", "127.0.0.1");
  key.PutText("ServerAllow", "10.0.0.0/8");
  key.PutInt("ServerName", 5);
  LinkSettings settings = Loaded();
  ExpectDefaultsFrom(settings, "ServerName");
  settings.ServerAllow = "";
  ASSERT_TRUE(Save(settings).written);
  settings = Loaded();
  EXPECT_EQ(settings.ServerBind + "|" + settings.ServerAllow + "|" + settings.ServerAccessError,
            "127.0.0.1|10.0.0.0/8|");

  key.PutInt("ServerBind", 0x0100007F);
  EXPECT_EQ(Loaded().ServerAccessError, "Invalid data type for 'ServerBind'");
}

TEST_F(SettingsStoreTest, SaveAutoStartWritesThatValueAlone) {
  SettingsKey key;
  key.PutAllNonDefault();
  key.PutInt("ServerMode", 7);
  EXPECT_TRUE(SaveAutoStart(0).written);
  const LinkSettings settings = Loaded();
  EXPECT_EQ(settings.ServerAutoStart, 0);
  EXPECT_EQ(settings.ServerMode, 7);
  EXPECT_EQ(settings.ServerID, 42);
  EXPECT_EQ(settings.COMBaud, 11);
}

TEST_F(SettingsStoreTest, TickingAutorunWithoutAKeyKeepsServerMode) {
  ASSERT_EQ(Loaded().ServerMode, 1);
  RegisterAutorun();
  EXPECT_TRUE(SaveAutoStart(1).written);
  LinkSettings expected = DefaultLinkSettings();
  expected.ServerAutoStart = 1;
  EXPECT_EQ(InStoreOrder(Loaded()), InStoreOrder(expected));
  SettingsKey key;
  EXPECT_THAT(key.Names(), ::testing::UnorderedElementsAre("ServerMode", "ServerAutoStart"));
}

TEST_F(SettingsStoreTest, AutorunEntryNamesThisProgram) {
  EXPECT_FALSE(sandbox_.AutorunCommand());
  const StoreResult absent = UnregisterAutorun();
  EXPECT_TRUE(absent.written) << absent.failure;

  const StoreResult result = RegisterAutorun();
  EXPECT_TRUE(result.written) << result.failure;
  const auto command = sandbox_.AutorunCommand();
  ASSERT_TRUE(command);
  EXPECT_THAT(*command,
              ::testing::AnyOf(EndsWith("settings_tests"), EndsWith("settings_tests.exe")));
  EXPECT_NE(command->find_first_of("/\\"), std::string::npos) << "not a full path: " << *command;

  EXPECT_TRUE(UnregisterAutorun().written);
  EXPECT_FALSE(sandbox_.AutorunCommand());
}

}  // namespace
}  // namespace keldo
