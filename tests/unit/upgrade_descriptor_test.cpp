// The upgrade's file set over real files in scratch folders: descriptor
// lines, serial ranges, targets, mixed-case names on a case-sensitive file
// system, the .hex-derived set, hostile descriptors; the identification
// fields; and the Intel HEX checker against srec_info on images that srec_cat
// made and on corrupted copies of them.
#include "upgrade/upgrade_descriptor.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/hex_images.h"
#include "support/host.h"
#include "support/link_harness.h"
#include "upgrade/hex_check.h"

using namespace qbtest;
using qb::LoadRecord;

namespace {

class UpgradeDescriptor : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDir("upg"); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  void File(const std::string& name, const std::string& text = ":00000001FF\n") {
    ASSERT_TRUE(WriteHostFile(Path(name), text));
  }
  int Parse(const std::string& text) {
    EXPECT_TRUE(WriteHostFile(Path("set.upg"), text));
    problem_ = false;
    return qb::ParseUpgradeDescriptor(problem_, Path("set.upg"), records_, qb::kMaxLoadRecords, target_);
  }
  std::string dir_;
  LoadRecord records_[qb::kMaxLoadRecords];
  bool problem_ = false;
  std::string target_;
};

TEST_F(UpgradeDescriptor, LoadLinesGiveSectorPathAndFoundFile) {
  File("fw.hex");
  File("Boot.Hex");
  ASSERT_EQ(Parse("; comment\r\nload, 3 ,  fw.hex\r\n  LOAD,0,x.hex\nLOAD,\t1,\tboot.hex\nLOAD,2\nLOAD,\n"), 2);
  EXPECT_FALSE(problem_);
  EXPECT_EQ(records_[0].sector, 3);
  EXPECT_TRUE(records_[0].found);
  EXPECT_EQ(records_[0].path, Path("fw.hex"));  // FW.HEX as written, found as stored
  EXPECT_EQ(records_[0].info.name, "fw.hex");
  EXPECT_EQ(records_[0].info.size, 12u);
  EXPECT_GT(records_[0].info.lastWriteTime, 86400);
  EXPECT_EQ(records_[1].sector, 1);
  EXPECT_EQ(records_[1].path, Path("Boot.Hex"));
}

TEST_F(UpgradeDescriptor, MissingFilesInvalidSectorsAndLongNamesAreKeptWhole) {
  std::string longName(300, 'n');
  ASSERT_EQ(Parse("LOAD,9,X.HEX\nLOAD,-1,y.hex\nLOAD,4," + longName + ".hex\n"), 3);
  EXPECT_TRUE(problem_);
  EXPECT_EQ(records_[0].sector, 9);
  EXPECT_FALSE(records_[0].found);
  EXPECT_EQ(records_[0].info.name, "X.HEX");
  EXPECT_EQ(records_[1].sector, -1);
  EXPECT_EQ(records_[1].info.name, "Y.HEX");
  EXPECT_FALSE(records_[2].found);
  EXPECT_EQ(records_[2].info.name, std::string(300, 'N') + ".HEX");
}

TEST_F(UpgradeDescriptor, SerialRangesApplyToTheNextLoadLines) {
  struct Case {
    const char* text;
    std::vector<std::pair<int, int>> ranges;
  } cases[] = {
      {"SERIAL,2,1000,1999\nLOAD,0,A\nLOAD,1,B\nLOAD,2,C\n", {{1000, 1999}, {1000, 1999}, {0, 0}}},
      {"SERIAL,2,5,6\nSERIAL,10,1,2\nLOAD,0,A\n", {{0, 0}}},             // n out of range cancels
      {"SERIAL,1,-5,6\nLOAD,0,A\n", {{0, 0}}},                           // negative low
      {"SERIAL,1,5\nLOAD,0,A\n", {{0, 0}}},                              // no high field
      {"SERIAL,9,7,0\nLOAD,0,A\nLOAD,0,B\n", {{7, 0}, {7, 0}}},          // no upper bound
      {"serial,1,3,4\nLOAD,0\nLOAD,0,A\nLOAD,0,B\n", {{3, 4}, {0, 0}}},  // an unused LOAD takes none
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Parse(c.text), static_cast<int>(c.ranges.size())) << c.text;
    for (size_t i = 0; i < c.ranges.size(); ++i) {
      EXPECT_EQ(records_[i].serialLow, c.ranges[i].first) << c.text << " record " << i;
      EXPECT_EQ(records_[i].serialHigh, c.ranges[i].second) << c.text << " record " << i;
    }
  }
}

TEST_F(UpgradeDescriptor, TheFirstNonEmptyTargetWinsAndKeepsTwentyCharacters) {
  struct Case {
    const char* text;
    const char* target;
  } cases[] = {
      {"TARGET,hxa1510\nTARGET,ZTQ\nLOAD,0,A\n", "HXA1510"},
      {"TARGET,  \nTARGET,\t ztq1200\nLOAD,0,A\n", "ZTQ1200"},
      {"TARGET,abcdefghijklmnopqrstuvwxyz\nLOAD,0,A\n", "ABCDEFGHIJKLMNOPQRST"},
      {" TARGET,X\nLOAD,0,A\n", ""},  // the keyword must start the line
  };
  for (const Case& c : cases) {
    Parse(c.text);
    EXPECT_EQ(target_, c.target) << c.text;
  }
}

TEST_F(UpgradeDescriptor, UpperCasedNamesAreFoundWhateverTheirCaseOnDiskAlsoInSubfolders) {
  RunHost({"/bin/mkdir", Path("Sub")});
  File("Sub/Dsp_v1.Hex");
  File("main.HEX");
  ASSERT_EQ(Parse("LOAD,2,sub\\dsp_V1.hex\nLOAD,1,SUB/DSP_V1.HEX\nLOAD,0,Main.hex\nLOAD,3,sub\n"), 4);
  EXPECT_EQ(records_[0].path, Path("Sub/Dsp_v1.Hex"));
  EXPECT_EQ(records_[0].info.name, "Dsp_v1.Hex");
  EXPECT_TRUE(records_[1].found);
  EXPECT_EQ(records_[2].path, Path("main.HEX"));
  EXPECT_FALSE(records_[3].found);  // a folder is not a file
}

TEST_F(UpgradeDescriptor, HostileDescriptorsEndWithASafeResult) {
  File("A");
  // A long comment line does not turn its tail into a line of its own.
  EXPECT_EQ(Parse(std::string(300, ';') + "LOAD,0,A\n"), 0);
  EXPECT_EQ(Parse(std::string(5000, 'x') + "LOAD,0,A\nLOAD,1,A\n"), 1);
  EXPECT_EQ(records_[0].sector, 1);
  // A 10 MB line and then a usable one.
  EXPECT_EQ(Parse(std::string(10 << 20, 'L') + "\nLOAD,5,A\n"), 1);
  EXPECT_EQ(records_[0].sector, 5);
  // 100,000 LOAD lines fill the table and stop there.
  std::string many;
  for (int i = 0; i < 100000; ++i) many += "LOAD,1,A\n";
  long long start = NowMs();
  EXPECT_EQ(Parse(many), qb::kMaxLoadRecords);
  EXPECT_LT(NowMs() - start, 5000);
  // Zero bytes (binary content at large is the upgrade_files fuzz target's).
  EXPECT_EQ(Parse(std::string("LOAD,0,A\0B\nLOAD,0,A\0\n", 22)), 2);
  EXPECT_TRUE(records_[0].found);  // the name ends at the zero byte
  // Huge numbers are held to the integer range, not wrapped.
  EXPECT_EQ(Parse("LOAD,99999999999,A\nLOAD,-99999999999,A\n"), 2);
  EXPECT_EQ(records_[0].sector, INT32_MAX);
  EXPECT_EQ(records_[1].sector, INT32_MIN);
  EXPECT_TRUE(problem_);
  // No file at all.
  EXPECT_EQ(qb::ParseUpgradeDescriptor(problem_, Path("none.upg"), records_, qb::kMaxLoadRecords, target_), 0);
}

TEST_F(UpgradeDescriptor, AMainHexFileGivesItsCompanionFiles) {
  UiRecorder ui;
  File("dsp_v123.hex");
  File("fpg_V123.HEX");
  File("AB_V123.HEX");
  File("SQ_2.HEX");
  File("DSP_2.HEX");
  bool problem = false;
  LoadRecord records[3];
  ASSERT_EQ(qb::BuildHexFileSet(records, problem, nullptr, Path("AB_V123.HEX")), 3);
  EXPECT_FALSE(problem);
  EXPECT_EQ(records[0].path, Path("dsp_v123.hex"));
  EXPECT_EQ(records[0].sector, 2);
  EXPECT_EQ(records[1].path, Path("fpg_V123.HEX"));
  EXPECT_EQ(records[1].sector, 1);
  EXPECT_EQ(records[2].path, Path("AB_V123.HEX"));
  EXPECT_EQ(records[2].sector, 0);
  EXPECT_TRUE(records[0].found && records[1].found && records[2].found);

  ASSERT_EQ(qb::BuildHexFileSet(records, problem, nullptr, Path("sq_2.hex")), 2);  // no FPG file
  EXPECT_EQ(records[0].path, Path("DSP_2.HEX"));
  EXPECT_EQ(records[1].sector, 0);
  EXPECT_FALSE(problem);

  ASSERT_EQ(qb::BuildHexFileSet(records, problem, nullptr, Path("pc_9.hex")), 2);
  EXPECT_TRUE(problem);  // nothing of that set exists
  EXPECT_FALSE(records[0].found);
  EXPECT_EQ(records[0].info.name, "DSP_9.hex");

  EXPECT_TRUE(ui.Boxes().empty());
  for (const char* name : {"readme.hex", "A_B.HEX", "1B_X.HEX", "AB.HEX", "A"}) {
    EXPECT_EQ(qb::BuildHexFileSet(records, problem, nullptr, Path(name)), -1) << name;
  }
  ASSERT_EQ(ui.Boxes().size(), 5u);
  EXPECT_EQ(ui.Boxes()[0].text, "Please choose the main hex file for the Instrument to upgrade");
  EXPECT_EQ(ui.Boxes()[0].caption, "Upgrade Firmware");
  EXPECT_EQ(ui.Boxes()[0].flags, 0x40u);
  // A digit second is a main file too.
  EXPECT_EQ(qb::BuildHexFileSet(records, problem, nullptr, Path("A1_X.HEX")), 3);
}

TEST(UpgradeIdentification, ModelNumberAndRange) {
  struct Case {
    const char* reply;
    const char* model;
    int number;
  } cases[] = {
      {"QUARTZLINE,HXA1510,1234,1.07", "HXA1510", 1234},
      {"QUARTZLINE,HXA1510", "HXA1510", -1},
      {"QUARTZLINE", "", -1},
      {"", "", -1},
      {"A,B,  -7x", "B", -7},
      {"A,B,,C", "B", 0},
      {"A,B,99999999999", "B", INT32_MAX},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(qb::ModelFromIdentification(c.reply), c.model) << c.reply;
    EXPECT_EQ(qb::InstrumentNumberFromIdentification(c.reply), c.number) << c.reply;
  }
  EXPECT_EQ(qb::ModelFromIdentification("X," + std::string(300, 'm')).size(), 127u);
  LoadRecord r;
  r.serialLow = 1000;
  r.serialHigh = 1999;
  EXPECT_TRUE(qb::RecordInRange(r, -1));
  EXPECT_FALSE(qb::RecordInRange(r, 999));
  EXPECT_TRUE(qb::RecordInRange(r, 1000));
  EXPECT_TRUE(qb::RecordInRange(r, 1999));
  EXPECT_FALSE(qb::RecordInRange(r, 2000));
  r.serialHigh = 0;
  EXPECT_TRUE(qb::RecordInRange(r, 50000));
}

class HexCheck : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDir("hex"); }
  std::string dir_;
};

// A copy of the lines with one line replaced (or removed when text is null).
std::string WithLine(const std::string& text, size_t index, const char* replacement) {
  std::string out;
  size_t start = 0, n = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end - start);
    if (n++ != index) {
      out += line + "\n";
    } else if (replacement) {
      out += std::string(replacement) + "\n";
    }
    start = end + 1;
  }
  return out;
}

TEST_F(HexCheck, AgreesWithSrecInfoOnSrecCatImagesAndCorruptedCopies) {
  std::string image = dir_ + "/image.hex";
  ASSERT_TRUE(MakeHexImage(image, 70000, 1));  // past 64 KiB: extended address records
  std::string text = ReadHostFile(image);
  ASSERT_NE(text.find(":020000040001F9"), std::string::npos);
  std::string fifth = HexRecords(image)[4];
  std::string badChecksum = fifth.substr(0, fifth.size() - 2) + (fifth.substr(fifth.size() - 2) == "00" ? "01" : "00");
  std::string oddDigits = fifth.substr(0, 10) + fifth.substr(11);
  std::string wrongLength = ":11" + fifth.substr(3);
  std::string lower = fifth;
  for (char& c : lower) c = static_cast<char>(tolower(c));
  struct Case {
    const char* name;
    std::string text;
  } cases[] = {
      {"as made", text},
      {"crlf",
       [&] {
         std::string crlf;
         for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
         return crlf;
       }()},
      {"no final line end", text.substr(0, text.size() - 1)},
      {"lower-case digits", WithLine(text, 4, lower.c_str())},
      {"bad checksum", WithLine(text, 4, badChecksum.c_str())},
      {"odd digit count", WithLine(text, 4, oddDigits.c_str())},
      {"wrong length byte", WithLine(text, 4, wrongLength.c_str())},
      {"missing end record", text.substr(0, text.rfind(":00000001FF"))},
      {"unknown type", WithLine(text, 4, ":00000006FA")},
      {"not a hex digit", WithLine(text, 4, (fifth.substr(0, 12) + "G" + fifth.substr(13)).c_str())},
  };
  for (const Case& c : cases) {
    std::string path = dir_ + "/variant.hex";
    ASSERT_TRUE(WriteHostFile(path, c.text));
    int judgeLine = 0;
    bool judge = SrecInfoAccepts(path, &judgeLine);
    qb::HexCheckResult ours = qb::CheckHexFile(path);
    EXPECT_EQ(ours.ok, judge) << c.name << ": " << ours.problem;
    if (!judge && judgeLine > 0 && std::string(c.name) != "missing end record") {
      EXPECT_EQ(ours.line, judgeLine) << c.name;
    }
  }
  EXPECT_TRUE(qb::CheckHexFile(image).ok);
  EXPECT_EQ(qb::CheckHexFile(image).records, static_cast<long>(HexRecords(image).size()));
}

TEST_F(HexCheck, RecordsLongerThanTheTransferReadsAreRefusedAtTheirLine) {
  // 249 data bytes make a 509-character record, the longest that fits.
  std::string fits = dir_ + "/fits.hex", tooLong = dir_ + "/long.hex";
  ASSERT_TRUE(MakeHexImage(fits, 600, 2, 249));
  ASSERT_TRUE(MakeHexImage(tooLong, 600, 2, 250));
  EXPECT_TRUE(qb::CheckHexFile(fits).ok);
  std::string crlf;
  for (char c : ReadHostFile(fits)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  EXPECT_TRUE(qb::CheckHexText(crlf.data(), crlf.size()).ok);
  qb::HexCheckResult result = qb::CheckHexFile(tooLong);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.problem, "line too long");
  EXPECT_EQ(result.line, HexRecords(tooLong)[0].size() > 509 ? 1 : 2);
  // srec_info reads such records, the transfer cannot: the one deliberate difference.
  EXPECT_TRUE(SrecInfoAccepts(tooLong));
}

TEST_F(HexCheck, VerdictDoesNotDependOnHowTheTextArrives) {
  std::string image = dir_ + "/small.hex";
  ASSERT_TRUE(MakeHexImage(image, 3000, 3, 249));
  std::string good = ReadHostFile(image);
  std::string bad = WithLine(good, 5, ":0000000AF6");
  std::string overlong = WithLine(good, 2, (":" + std::string(600, '0')).c_str());
  // Pieces around the longest line the transfer reads (pieces in general are
  // the upgrade_files fuzz target's).
  for (const std::string* text : {&good, &bad, &overlong}) {
    qb::HexCheckResult whole = qb::CheckHexText(text->data(), text->size());
    for (size_t piece : {509u, 510u, 511u}) {
      qb::HexChecker checker;
      for (size_t at = 0; at < text->size(); at += piece)
        checker.Feed(text->data() + at, std::min(piece, text->size() - at));
      EXPECT_EQ(checker.Finish().line, whole.line) << piece;
    }
  }
  EXPECT_EQ(qb::CheckHexText(bad.data(), bad.size()).line, 6);
  // Binary content and a 10 MB line end at their first line, the long one
  // without being held whole.
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>(i * 13 + 7));
  std::string huge = ":" + std::string(10 << 20, '0') + "\n:00000001FF\n";
  for (const std::string* text : {&binary, &huge}) {
    qb::HexCheckResult r = qb::CheckHexText(text->data(), text->size());
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.line, 1);
  }
  EXPECT_EQ(qb::CheckHexText(overlong.data(), overlong.size()).line, 3);
}

TEST(HexCheckText, StructuralProblemsNameTheirLine) {
  struct Case {
    const char* text;
    int line;
    const char* problem;
  } cases[] = {
      {":0400000001020304F2\n:00000001FF\n", 0, ""},
      {"\n:0400000001020304F2\n\n:00000001FF\n\n", 0, ""},
      {":00000001FF\n", 1, "no data records"},
      {":0400000001020304F2\n:00000001FF\n:0400000001020304F2\n", 3, "data after the end-of-file record"},
      {":0400000001020304F2\njunk\n:00000001FF\n", 2, "not a record (no ':')"},
      {":0400000001020304F2\n:00000001FF junk\n", 2, "odd number of hex digits"},
      {":0400000001020304F2\n:0100000100FE\n", 2, "wrong length for its type"},
      {":0400000001020304F2\n:000000\n", 2, "record too short"},
      {"", 1, "no end-of-file record"},
      {":0400000001020304F2\n", 2, "no end-of-file record"},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    qb::HexCheckResult r = qb::CheckHexText(text.data(), text.size());
    EXPECT_EQ(r.ok, c.line == 0) << c.text;
    EXPECT_EQ(r.line, c.line) << c.text;
    EXPECT_EQ(r.problem, c.problem) << c.text;
  }
}

}  // namespace
