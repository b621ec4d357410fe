// Script files: which files count as scripts, which of their lines reach the
// listing, and what the user is told about files that cannot be used.
#include "script/script_loader.h"

#include <gtest/gtest.h>

#include <random>

#include "support/host.h"
#include "support/script_recorder.h"

using namespace qb;
using qbtest::VectorListing;

namespace {

using Lines = std::vector<std::string>;

class ScriptFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    std::string path = dir_ + "/script" + std::to_string(count_++) + ".txt";
    EXPECT_TRUE(qbtest::WriteHostFile(path, bytes));
    return path;
  }
  bool Load(const std::string& path) {
    message_.clear();
    return ReadScriptFile(path.c_str(), &listing_, &message_);
  }

  std::string dir_ = qbtest::MakeScratchDir("script-file");
  int count_ = 0;
  VectorListing listing_;
  std::string message_;
};

// Which files count as scripts is also the script_file fuzz target's, against
// a restatement of the rule; these rows add what is listed and what is said.
TEST_F(ScriptFileTest, AcceptsFilesWithCommandOrDirectiveLinesAfterTheLastHighCharacter) {
  const std::string x99(98, 'x'), x100(99, 'x');
  struct Case {
    const char* name;
    std::string bytes;
    bool accepted;
    Lines listed;
  } cases[] = {
      {"calculator only", "=5\n", false, {}},
      {"long command", "\"" + std::string(119, 'A') + "\n#echo,hi\n", true, {"#echo,hi"}},
      {"CR LF and blank lines", "\"*RST\r\n\r\n\n; note\r\n", true, {"\"*RST", "; note"}},
      {"no final line end", "#echo", true, {"#echo"}},
      {"99 and 100 characters", "#" + x99 + "\n#" + x100 + "\n", true, {"#" + x99}},
      {"high character after the last command",
       "\"*RST\n25\xb0"
       "C\n",
       false,
       {}},
      {"high character before a directive",
       "25\xb0"
       "C\n#echo\n",
       true,
       {"25\xb0"
        "C",
        "#echo"}},
      {"text after a carriage return is cut", "a\r#b\n", false, {"a"}},
      {"zero byte ends the listed text", std::string("#echo\0hidden\n", 13), true, {"#echo"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    listing_ = VectorListing();
    std::string path = Write(c.bytes);
    EXPECT_EQ(Load(path), c.accepted);
    if (c.accepted) {
      EXPECT_EQ(listing_.lines, c.listed);
      EXPECT_EQ(message_, "");
    } else {
      EXPECT_EQ(message_, path + " does not appear to be a script file");
    }
    std::string checkOnly;
    EXPECT_EQ(ReadScriptFile(path.c_str(), nullptr, &checkOnly), c.accepted);
  }
}

TEST_F(ScriptFileTest, RejectedFilesLeaveTheListingAndSayWhy) {
  listing_ = VectorListing({"\"*RST", "#echo"});
  listing_.selection = 1;
  std::string missing = dir_ + "/missing.txt";
  EXPECT_FALSE(Load(missing));
  EXPECT_EQ(message_, "Unable to read file " + missing);
  EXPECT_FALSE(Load(dir_));  // a folder opens on POSIX but cannot be read
  EXPECT_EQ(message_, "Unable to read file " + dir_);
  EXPECT_FALSE(Load(Write("=5\n")));
  EXPECT_EQ(listing_.lines, (Lines{"\"*RST", "#echo"}));
  EXPECT_EQ(listing_.selection, 1);

  EXPECT_TRUE(Load(Write("#wait\n")));
  EXPECT_EQ(listing_.lines, Lines{"#wait"});
  EXPECT_EQ(listing_.selection, -1);
}

TEST_F(ScriptFileTest, RefusesScriptsOfMoreThan100000Lines) {
  std::string lines;
  for (int i = 0; i < 100000; ++i) lines += "#\n";
  EXPECT_TRUE(Load(Write(lines + std::string(200, '=') + "\n")));  // a line too long to list does not count
  EXPECT_EQ(listing_.lines.size(), 100000u);
  std::string path = Write(lines + "=\n");
  EXPECT_FALSE(Load(path));
  EXPECT_EQ(message_, path + " has too many lines to load as a script (at most 100000)");
  EXPECT_EQ(listing_.lines.size(), 100000u);
}

TEST_F(ScriptFileTest, TenMegabyteFilesAreCheckedWhole) {
  std::mt19937 random(7);
  std::string binary(10 << 20, '\0');
  for (char& c : binary) c = static_cast<char>(random());
  EXPECT_FALSE(Load(Write("#echo\n" + binary)));
  EXPECT_EQ(listing_.lines.size(), 0u);

  std::string text;
  while (text.size() < (10u << 20)) text += "\"MEAS?\r\n#reply,2\r\n" + std::string(250, '-') + "\r\n";
  EXPECT_TRUE(Load(Write(text)));
  EXPECT_EQ(listing_.lines.size(), 2 * (text.size() / 270));
}

}  // namespace
