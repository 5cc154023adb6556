#include "engine/settings_store.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "tests/support/registry_sandbox.h"

namespace keldo {
namespace {

constexpr const char* kRunPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool RunKeyExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::string ThisProgram() {
  char path[MAX_PATH + 1] = {};
  GetModuleFileNameA(nullptr, path, sizeof path);
  return path;
}

class RunKeyTest : public ::testing::Test {
 protected:
  test::RegistrySandbox sandbox_;
};

TEST_F(RunKeyTest, AnEntryThatIsThereIsOverwrittenWithThisProgram) {
  HKEY run = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_SET_VALUE, &run), ERROR_SUCCESS);
  const char stale[] = "C:\\Old\\keldo-link.exe";
  RegSetValueExA(run, "KELDOLink", 0, REG_SZ, reinterpret_cast<const BYTE*>(stale), sizeof stale);
  RegCloseKey(run);

  EXPECT_TRUE(RegisterAutorun().written);
  EXPECT_EQ(sandbox_.AutorunCommand(), ThisProgram());
}

std::string RawRunValue() {
  char buffer[4096] = {};
  DWORD size = sizeof buffer;
  RegGetValueA(HKEY_CURRENT_USER, kRunPath, "KELDOLink", RRF_RT_REG_SZ, nullptr, buffer, &size);
  return buffer;
}

void SetRunValue(const std::string& text) {
  HKEY run = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_SET_VALUE, &run), ERROR_SUCCESS);
  RegSetValueExA(run, "KELDOLink", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
  RegCloseKey(run);
}

TEST_F(RunKeyTest, ThePathIsWrittenQuotedAndEitherFormReadsAsThePath) {
  EXPECT_TRUE(RegisterAutorun().written);
  // Unquoted, a path with spaces would let Windows start the first word.
  EXPECT_EQ(RawRunValue(), "\"" + ThisProgram() + "\"");

  const std::string spaced = "C:\\Program Files\\KELDO\\keldo-link.exe";
  for (const std::string& stored : {spaced, "\"" + spaced + "\""}) {
    SetRunValue(stored);
    EXPECT_EQ(sandbox_.AutorunCommand(), spaced) << stored;
  }
}

TEST_F(RunKeyTest, AMissingRunKeyIsNeverCreated) {
  // Only an empty Run key is taken away, so the prefix loses nothing.
  DWORD values = 0;
  DWORD subKeys = 0;
  HKEY run = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kRunPath, 0, KEY_READ, &run), ERROR_SUCCESS);
  RegQueryInfoKeyA(run, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(run);
  if (values != 0 || subKeys != 0) {
    GTEST_SKIP() << "the Run key of this prefix is in use";
  }
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kRunPath), ERROR_SUCCESS);

  const StoreResult registered = RegisterAutorun();
  const StoreResult unregistered = UnregisterAutorun();
  const bool created = RunKeyExists();

  HKEY restored = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, kRunPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ,
                  nullptr, &restored, nullptr);
  RegCloseKey(restored);

  EXPECT_FALSE(registered.written);
  EXPECT_FALSE(unregistered.written);
  EXPECT_FALSE(created);
}

TEST(Manifest, TheProgramRunsAsInvokerWithoutVirtualisation) {
  const HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
  ASSERT_NE(resource, nullptr) << "no application manifest embedded";
  const HGLOBAL loaded = LoadResource(nullptr, resource);
  const auto* text = static_cast<const char*>(LockResource(loaded));
  const std::string manifest(text, SizeofResource(nullptr, resource));
  EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("uiAccess=\"false\""), std::string::npos) << manifest;
}

}  // namespace
}  // namespace keldo
