#include "engine/registry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "engine/platform/registry_api.h"
#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

using ::testing::UnorderedElementsAre;

const std::string kScratch = std::string("\\") + test::RegistrySandbox::kScratchPath;

// Stores a value of any type and size, as a hand-edited key may hold it.
void StoreRaw(TRegistry& reg, const std::string& name, std::uint32_t type,
              std::vector<std::uint8_t> data) {
  // The accessor's key is reopened through the platform layer directly, so
  // the test does not depend on the accessor's own writes.
  platform::RegKey key = 0;
  ASSERT_EQ(platform::OpenKey(platform::kRegCurrentUser, reg.CurrentPath(), kKeyAllAccess, key),
            platform::kErrorSuccess);
  EXPECT_EQ(
      platform::SetValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())),
      platform::kErrorSuccess);
  platform::CloseKey(key);
}

std::string ErrorOf(const std::function<void()>& read) {
  try {
    read();
  } catch (const ERegistryException& e) {
    return e.what();
  }
  return "no error";
}

class RegistryTest : public ::testing::Test {
 protected:
  test::RegistrySandbox sandbox_;
  TRegistry reg_;
};

TEST_F(RegistryTest, OpeningWithoutCreateNeverCreates) {
  EXPECT_FALSE(reg_.OpenPath(kScratch + "\\Missing", false));
  EXPECT_FALSE(reg_.HasOpenKey());
  EXPECT_FALSE(reg_.OpenPath(kScratch + "\\Missing", false));
  EXPECT_FALSE(reg_.HasValue("Anything"));
  EXPECT_THROW(reg_.WriteInt("Anything", 1), ERegistryException);
}

TEST_F(RegistryTest, PathsFromTheRootOrFromTheOpenKey) {
  ASSERT_TRUE(reg_.OpenPath(kScratch + "\\A", true));
  EXPECT_TRUE(reg_.CreatedKey());
  EXPECT_EQ(reg_.CurrentPath(), std::string(test::RegistrySandbox::kScratchPath) + "\\A");

  ASSERT_TRUE(reg_.OpenPath("B\\C", true));
  EXPECT_EQ(reg_.CurrentPath(), std::string(test::RegistrySandbox::kScratchPath) + "\\A\\B\\C");
  reg_.WriteInt("Deep", 7);

  ASSERT_TRUE(reg_.OpenPath(kScratch + "\\A", true));
  EXPECT_FALSE(reg_.CreatedKey());
  EXPECT_FALSE(reg_.HasValue("Deep"));
  ASSERT_TRUE(reg_.OpenPath("B\\C", false));
  EXPECT_EQ(reg_.ReadInt("Deep"), 7);

  // A failed open leaves the open key and its path as they were.
  EXPECT_FALSE(reg_.OpenPath("Nowhere", false));
  EXPECT_EQ(reg_.CurrentPath(), std::string(test::RegistrySandbox::kScratchPath) + "\\A\\B\\C");
  EXPECT_EQ(reg_.ReadInt("Deep"), 7);

  reg_.SelectRoot(RegistryRoot::CurrentUser);
  EXPECT_TRUE(reg_.HasOpenKey());
  reg_.SelectRoot(RegistryRoot::LocalMachine);
  EXPECT_FALSE(reg_.HasOpenKey());
  EXPECT_EQ(reg_.CurrentPath(), "");
}

TEST_F(RegistryTest, KeyPathsAndValueNamesIgnoreLetterCase) {
  ASSERT_TRUE(reg_.OpenPath(kScratch + "\\Mixed Case", true));
  reg_.WriteInt("ServerPort", 5001);
  reg_.WriteText("ServerName", "first");

  TRegistry other;
  ASSERT_TRUE(other.OpenPath("\\SOFTWARE\\keldo test\\mIXED cASE", false));
  EXPECT_TRUE(other.HasValue("SERVERPORT"));
  EXPECT_EQ(other.ReadInt("serverport"), 5001);
  other.WriteText("SERVERNAME", "second");
  std::vector<std::string> names;
  other.ListValueNames(names);
  EXPECT_THAT(names, UnorderedElementsAre("ServerPort", "ServerName"));
  EXPECT_EQ(reg_.ReadText("ServerName"), "second");
}

TEST_F(RegistryTest, ReadsCheckTheStoredTypeAndSize) {
  ASSERT_TRUE(reg_.OpenPath(kScratch, true));
  StoreRaw(reg_, "Binary4", platform::kRegBinary, {1, 0, 0, 0});
  StoreRaw(reg_, "Dword8", platform::kRegDword, {1, 0, 0, 0, 0, 0, 0, 0});
  StoreRaw(reg_, "Text", platform::kRegSz, {'5', 0});
  StoreRaw(reg_, "Expand", platform::kRegExpandSz, {'%', 'T', 'E', 'M', 'P', '%', '\\', 'x', 0});
  StoreRaw(reg_, "NoData", platform::kRegSz, {});
  StoreRaw(reg_, "EmbeddedNul", platform::kRegSz, {'a', 0, 'b', 0});

  EXPECT_EQ(ErrorOf([&] { reg_.ReadInt("Binary4"); }), "Invalid data type for 'Binary4'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadInt("Dword8"); }), "Failed to get data for 'Dword8'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadInt("Text"); }), "Invalid data type for 'Text'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadInt("Missing"); }), "Failed to get data for 'Missing'");
  EXPECT_EQ(ErrorOf([&] { reg_.ReadText("Binary4"); }), "Invalid data type for 'Binary4'");
  EXPECT_EQ(reg_.ReadText("Expand"), "%TEMP%\\x");  // not expanded
  EXPECT_TRUE(reg_.HasValue("NoData"));
  EXPECT_EQ(reg_.ReadText("NoData"), "");
  EXPECT_EQ(reg_.ReadText("Missing"), "");
  EXPECT_EQ(reg_.ReadText("EmbeddedNul"), "a");
}

TEST_F(RegistryTest, RemovingAndListingValues) {
  ASSERT_TRUE(reg_.OpenPath(kScratch, true));
  std::vector<std::string> names = {"stale"};
  reg_.ListValueNames(names);
  EXPECT_TRUE(names.empty());

  reg_.WriteText("COM3", "x");
  reg_.WriteInt("A much longer value name", 1);
  reg_.WriteInt("b", 2);
  reg_.ListValueNames(names);
  EXPECT_THAT(names, UnorderedElementsAre("COM3", "A much longer value name", "b"));

  EXPECT_TRUE(reg_.RemoveValue("com3"));
  EXPECT_FALSE(reg_.RemoveValue("COM3"));
  EXPECT_FALSE(reg_.HasValue("COM3"));
  reg_.ListValueNames(names);
  EXPECT_THAT(names, UnorderedElementsAre("A much longer value name", "b"));

  TRegistry closed;
  closed.ListValueNames(names);
  EXPECT_TRUE(names.empty());
}

TEST_F(RegistryTest, HandlesSeeEachOthersWritesAndReadAccessCannotWrite) {
  ASSERT_TRUE(reg_.OpenPath(kScratch, true));
  TRegistry reader;
  reader.SetAccess(kKeyRead);
  ASSERT_TRUE(reader.OpenPath(kScratch, false));
  reg_.WriteInt("Kept", 3);
  EXPECT_EQ(reader.ReadInt("Kept"), 3);
  EXPECT_EQ(ErrorOf([&] { reader.WriteInt("Kept", 4); }), "Failed to set data for 'Kept'");
  EXPECT_FALSE(reader.RemoveValue("Kept"));
  EXPECT_EQ(reg_.ReadInt("Kept"), 3);
}

}  // namespace
}  // namespace keldo
