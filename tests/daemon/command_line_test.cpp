#include "apps/keldo-linkd/daemon.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "keldo_version.h"

namespace keldo::test {
namespace {

std::string ReadAll(std::FILE* file) {
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
    text.push_back(static_cast<char>(c));
  }
  return text;
}

struct CommandLineCase {
  std::vector<std::string> args;
  std::optional<int> exitCode;
  std::string outStart;  // what standard output begins with
  std::string errStart;  // what standard error begins with
};

TEST(CommandLineTest, OptionsAnswerOrNameWhatWasNotUnderstood) {
  const std::string version = std::string("keldo-linkd ") + kVersion + "\n";
  const CommandLineCase cases[] = {
      {{}, std::nullopt, "", ""},
      {{"--version"}, 0, version, ""},
      {{"--help"}, 0, "Usage: keldo-linkd", ""},
      {{"--verison"}, 2, "", "keldo-linkd: unknown option --verison\nUsage: keldo-linkd"},
      {{"-v"}, 2, "", "keldo-linkd: unknown option -v\n"},
      {{"--version", "x"}, 2, "", "keldo-linkd: --version takes nothing after it\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> words{"keldo-linkd"};
    words.insert(words.end(), c.args.begin(), c.args.end());
    std::vector<char*> argv;
    for (auto& word : words) {
      argv.push_back(word.data());
    }
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    ASSERT_TRUE(out && err);
    EXPECT_EQ(CheckArguments(static_cast<int>(argv.size()), argv.data(), out, err), c.exitCode)
        << words.back();
    EXPECT_EQ(ReadAll(out).rfind(c.outStart, 0), 0u) << words.back();
    EXPECT_EQ(ReadAll(err).rfind(c.errStart, 0), 0u) << words.back();
    std::fclose(out);
    std::fclose(err);
  }
}

}  // namespace
}  // namespace keldo::test
