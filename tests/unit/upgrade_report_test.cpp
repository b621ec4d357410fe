// The "Proposed Operation" report: byte for byte against the document head
// for a small set, red entries for missing and unsound files and invalid
// sectors, serial ranges leaving gaps in the numbering, dates, lower-cased
// names, escaping of the instrument's texts, and a report far past 2048
// characters.
#include "upgrade/upgrade_report.h"

#include <gtest/gtest.h>

#include <string>

#include "common/fixed_font.h"
#include "support/hex_images.h"
#include "support/host.h"
#include "upgrade/upgrade_descriptor.h"

using namespace qbtest;
using qb::LoadRecord;

namespace {

const std::string kHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang2057{\\fonttbl{\\f0\\fmodern\\fprq1\\fcharset0 " +
    qb::SystemFixedFace() +
    ";}}{\\colortbl "
    ";\\red0\\green0\\blue0;\\red0\\green192\\blue0;\\red255\\green0\\blue0;\\red127\\green127\\blue127;}\\deftab1000"
    "\\viewkind4\\uc1\\ul\\pard\\cf4\\b\\f0\\fs20 Proposed Operation\\par\\fs20\\ulnone\\b0\\par";

class UpgradeReport : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDir("report"); }
  // A found file written at the given local time ("2014-03-05 12:00").
  LoadRecord Found(const std::string& name, int sector, const char* when) {
    std::string path = dir_ + "/" + name;
    EXPECT_TRUE(WriteHostFile(path, ":0400000001020304F2\n:00000001FF\n"));
    EXPECT_EQ(RunHost({"/usr/bin/touch", "-d", when, path}), 0);
    LoadRecord r;
    r.sector = sector;
    r.found = qb::FindFileInfo(path, r.info, &r.path);
    EXPECT_TRUE(r.found);
    return r;
  }
  static LoadRecord Missing(const std::string& name, int sector, int low = 0, int high = 0) {
    LoadRecord r;
    r.sector = sector;
    r.info.name = name;
    r.serialLow = low;
    r.serialHigh = high;
    return r;
  }
  std::string dir_;
};

TEST_F(UpgradeReport, ASmallSetReadsByteForByte) {
  LoadRecord records[] = {Found("DSP_V1.HEX", 2, "2014-03-05 12:00"), Found("AB_V1.HEX", 0, "2013-12-31 23:30")};
  bool problem = false;
  std::string report = qb::BuildProposedOperationReport("HXA1510", problem, records, 2, "QUARTZLINE,HXA1510,0,1.07");
  EXPECT_EQ(report, std::string(kHead) +
                        "\\cf4 Instrument: \\cf0 QUARTZLINE,HXA1510,0,1.07\\par\\cf4 Target: \\cf0 HXA1510\\par"
                        "\\cf4 Erase Sectors: \\cf0 2,\\cf0 0,\\par\\cf0\\par\\cf4 Program Sectors with the following "
                        "code:\\par\\cf0\\par\\cf4 File Sector Filename            Date\\par"
                        "\\cf0 1    2      \\cf0 dsp_v1.hex          \\cf0 05/03/14\\par"
                        "\\cf0 2    0      \\cf0 ab_v1.hex           \\cf0 31/12/13\\par}");
  EXPECT_FALSE(problem);
  EXPECT_EQ(records[0].info.name, "dsp_v1.hex");  // lower-cased in place for the transfer's messages
  // No target: no Target line.
  std::string plain = qb::BuildProposedOperationReport("", problem, records, 1, "X");
  EXPECT_NE(plain.find("\\cf4 Instrument: \\cf0 X\\par\\cf4 Erase Sectors: "), std::string::npos);
}

TEST_F(UpgradeReport, MissingUnsoundAndInvalidEntriesAreRedAndSetTheProblem) {
  LoadRecord bad = Found("bad.hex", 1, "2020-01-02 10:00");
  bad.badLine = 12;
  bad.problem = "checksum mismatch";
  LoadRecord records[] = {Missing("GONE.HEX", 3), Missing("X.HEX", 8), bad, Missing("TWICE.HEX", 3)};
  struct Case {
    int count;
    bool problem;
  } cases[] = {{0, false}, {1, true}, {2, true}, {3, true}};
  for (const Case& c : cases) {
    bool problem = false;
    qb::BuildProposedOperationReport("", problem, records, c.count, "A,B,7");
    EXPECT_EQ(problem, c.problem) << c.count;
  }
  bool problem = false;
  std::string report = qb::BuildProposedOperationReport("", problem, records, 4, "A,B,7");
  EXPECT_NE(report.find("Erase Sectors: \\cf0 3,\\cf3 8,\\cf0 1,\\par"), std::string::npos);  // 3 once
  EXPECT_NE(report.find("\\cf0 1    3      \\cf3 gone.hex            \\cf0 --/--/--\\par"), std::string::npos);
  EXPECT_NE(report.find("\\cf0 2    8      \\cf3 x.hex"), std::string::npos);
  EXPECT_NE(report.find("\\cf0 3    1      \\cf3 bad.hex             \\cf0 02/01/20 \\cf3 line 12: checksum mismatch"),
            std::string::npos);
  EXPECT_NE(report.find("\\cf0 4    3      \\cf3 twice.hex"), std::string::npos);
}

TEST_F(UpgradeReport, RecordsOutOfTheInstrumentsRangeAreLeftOutKeepingTheirNumbers) {
  LoadRecord records[] = {Missing("LOW.HEX", 1, 1000, 1999), Missing("HIGH.HEX", 2, 2000, 0), Missing("ALL.HEX", 4)};
  struct Case {
    const char* identification;
    const char* erase;
    std::vector<const char*> lines;
  } cases[] = {
      {"QUARTZLINE,HXA1510,1500,1.07", "\\cf0 1,\\cf0 4,", {"\\cf0 1 ", "\\cf0 3 "}},
      {"QUARTZLINE,HXA1510,2500,1.07", "\\cf0 2,\\cf0 4,", {"\\cf0 2 ", "\\cf0 3 "}},
      {"QUARTZLINE,HXA1510,5,1.07", "\\cf0 4,", {"\\cf0 3 "}},
      {"QUARTZLINE,HXA1510", "\\cf0 1,\\cf0 2,\\cf0 4,", {"\\cf0 1 ", "\\cf0 2 ", "\\cf0 3 "}},  // no number: all
  };
  for (const Case& c : cases) {
    bool problem = false;
    std::string report = qb::BuildProposedOperationReport("", problem, records, 3, c.identification);
    EXPECT_NE(report.find(std::string("Erase Sectors: ") + c.erase + "\\par"), std::string::npos) << c.identification;
    size_t listed = 0;
    for (const char* number : {"\\cf0 1 ", "\\cf0 2 ", "\\cf0 3 "}) listed += report.find(number) != std::string::npos;
    EXPECT_EQ(listed, c.lines.size()) << c.identification;
    for (const char* line : c.lines) EXPECT_NE(report.find(line), std::string::npos) << c.identification;
  }
}

TEST_F(UpgradeReport, FortyNineLongRecordsAndALongReplyFitWithTheirTextsEscaped) {
  LoadRecord records[49];
  for (int i = 0; i < 49; ++i) records[i] = Missing(std::string(255, static_cast<char>('A' + i % 26)) + ".HEX", i % 8);
  std::string reply = "{\\evil}," + std::string(1000, 'r');
  bool problem = false;
  std::string report = qb::BuildProposedOperationReport("T{1}", problem, records, 49, reply);
  EXPECT_GT(report.size(), 2048u);
  EXPECT_NE(report.find("Instrument: \\cf0 \\{\\\\evil\\}," + std::string(1000, 'r') + "\\par"), std::string::npos);
  EXPECT_NE(report.find("Target: \\cf0 T\\{1\\}\\par"), std::string::npos);
  EXPECT_NE(report.find("\\cf0 49   0      \\cf3 " + std::string(20, 'w') + "\\cf0 --/--/--\\par}"), std::string::npos);
  EXPECT_EQ(report.back(), '}');
}

// The console's plain form of the same reports: the lines a reader sees in
// the dialog, problems marked where the dialog shows red, escapes undone.
TEST_F(UpgradeReport, PlainTextHasTheDialogsLinesAndMarksWhatIsRed) {
  LoadRecord sound[] = {Found("DSP_V1.HEX", 2, "2014-03-05 12:00"), Found("AB_V1.HEX", 0, "2013-12-31 23:30")};
  LoadRecord bad = Found("bad.hex", 1, "2020-01-02 10:00");
  bad.badLine = 12;
  bad.problem = "checksum mismatch";
  LoadRecord unsound[] = {Missing("GONE.HEX", 3), Missing("X.HEX", 8), bad};
  const std::string kProblem = qb::kPlainProblemMark;
  struct Case {
    const char* target;
    LoadRecord* records;
    int count;
    const char* identification;
    std::string expected;
  } cases[] = {
      {"HXA1510", sound, 2, "QUARTZLINE,HXA1510,0,1.07",
       "Proposed Operation\n\nInstrument: QUARTZLINE,HXA1510,0,1.07\nTarget: HXA1510\nErase Sectors: 2,0,\n\n"
       "Program Sectors with the following code:\n\nFile Sector Filename            Date\n"
       "1    2      dsp_v1.hex          05/03/14\n2    0      ab_v1.hex           31/12/13\n"},
      {"T{1}", unsound, 3, "{\\evil},B,7",
       "Proposed Operation\n\nInstrument: {\\evil},B,7\nTarget: T{1}\nErase Sectors: 3,8,1," + kProblem +
           "\n\nProgram Sectors with the following code:\n\nFile Sector Filename            Date\n"
           "1    3      gone.hex            --/--/--" +
           kProblem + "\n2    8      x.hex               --/--/--" + kProblem +
           "\n3    1      bad.hex             02/01/20 line 12: checksum mismatch" + kProblem + "\n"},
  };
  for (const Case& c : cases) {
    bool problem = false;
    std::string report = qb::BuildProposedOperationReport(c.target, problem, c.records, c.count, c.identification);
    EXPECT_EQ(qb::ProposedOperationText(report), c.expected) << c.target;
  }
}

// A complete set as other tools write it: srec_cat's records, a
// comment line, no line end after the last record, segment addressing. Every
// file is sound, so Accept is offered, and each line names its file and date,
// a name beginning with a digit included.
TEST_F(UpgradeReport, ACompleteSetFromOtherToolsIsSoundAndListedWithDates) {
  std::string made = dir_ + "/made.hex";
  ASSERT_TRUE(MakeHexImage(made, 3000, 7, 16));
  std::string text = ReadHostFile(made);
  std::string segmented = ":020000020000FC\n" + text.substr(text.find('\n') + 1);  // type 02 for type 04
  struct Variant {
    const char* name;
    std::string text;
  } variants[] = {
      {"dsp_v3.hex", text},
      {"fpg_v3.hex", "; build 7, checked\n" + text},
      {"2nd_v3.hex", text.substr(0, text.size() - 1)},
      {"ab_v3.hex", segmented},
  };
  std::vector<LoadRecord> records;
  for (const Variant& v : variants) {
    ASSERT_TRUE(WriteHostFile(dir_ + "/" + v.name, v.text));
    ASSERT_EQ(RunHost({"/usr/bin/touch", "-d", "2015-06-07 12:00", dir_ + "/" + v.name}), 0);
    LoadRecord r;
    r.sector = static_cast<int>(records.size());
    r.found = qb::FindFileInfo(dir_ + "/" + v.name, r.info, &r.path);
    records.push_back(r);
  }
  EXPECT_TRUE(qb::CheckLoadRecordFiles(records.data(), static_cast<int>(records.size())));
  bool problem = false;
  std::string plain = qb::ProposedOperationText(qb::BuildProposedOperationReport(
      "", problem, records.data(), static_cast<int>(records.size()), "QUARTZLINE,HXA1510,0,1.07"));
  EXPECT_FALSE(problem) << plain;
  for (size_t i = 0; i < records.size(); ++i) {
    char line[80];
    snprintf(line, sizeof line, "%-2d   %-2d     %-20s07/06/15\n", static_cast<int>(i + 1), static_cast<int>(i),
             variants[i].name);
    EXPECT_NE(plain.find(line), std::string::npos) << line << " in\n" << plain;
  }
}

TEST(UpgradeReportDate, DatesAfterTheFirstDayOnly) {
  EXPECT_EQ(qb::ReportDate(0), "--/--/--");
  EXPECT_EQ(qb::ReportDate(86400), "--/--/--");
  EXPECT_EQ(qb::ReportDate(-5), "--/--/--");
  EXPECT_EQ(qb::ReportDate(86400 * 2 + 43200), "03/01/70");
}

}  // namespace
