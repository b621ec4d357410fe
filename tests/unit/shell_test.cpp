// The main window's plain logic: command history, line collection for the
// results pane, echo and recall, settings rules and the debug switch.
#include <gtest/gtest.h>

#include <cstring>

#include "common/text_lines.h"
#include "shell/history.h"
#include "shell/results_text.h"
#include "shell/settings.h"

using namespace qb;

namespace {

std::string Shown(const std::string* entry) {
  return entry ? *entry : "<none>";
}

TEST(History, UpAndDownWalkTheEntriesWithWrapAround) {
  CommandHistory h;
  EXPECT_EQ(HistoryUp(h), nullptr);  // nothing sent yet
  EXPECT_EQ(HistoryDown(h), nullptr);
  HistoryAdd(h, "one");
  HistoryAdd(h, "two");
  HistoryAdd(h, "three");
  // The cursor rests on the line just sent, which stays in the command line.
  EXPECT_EQ(Shown(HistoryUp(h)), "two");
  EXPECT_EQ(Shown(HistoryUp(h)), "one");
  EXPECT_EQ(Shown(HistoryUp(h)), "three");  // oldest wraps to newest
  EXPECT_EQ(Shown(HistoryDown(h)), "one");  // newest wraps to oldest
  EXPECT_EQ(Shown(HistoryDown(h)), "two");
  // A new line rests the cursor on itself again.
  HistoryAdd(h, "four");
  EXPECT_EQ(Shown(HistoryUp(h)), "three");
}

TEST(History, KeepsTheLastFiftyLines) {
  CommandHistory h;
  for (int i = 1; i <= 51; ++i) HistoryAdd(h, "cmd" + std::to_string(i));
  EXPECT_EQ(h.slots[0], "cmd2");
  EXPECT_EQ(h.slots[kHistorySize - 1], "cmd51");
  EXPECT_EQ(h.cursor, kHistorySize - 1);
  EXPECT_EQ(Shown(HistoryUp(h)), "cmd50");
  EXPECT_EQ(Shown(HistoryDown(h)), "cmd51");
  EXPECT_EQ(Shown(HistoryDown(h)), "cmd2");  // cmd1 is gone
  HistoryClear(h);
  EXPECT_EQ(HistoryUp(h), nullptr);
}

// Feeds bytes and returns the lines they complete, as the poll shows them.
std::vector<std::string> Feed(ResultsAccumulator& acc, const std::string& bytes) {
  std::vector<std::string> lines;
  for (unsigned char c : bytes) {
    if (AccumulateByte(acc, c)) {
      lines.emplace_back(reinterpret_cast<const char*>(acc.bytes), acc.count);
      ClearAccumulator(acc);
    }
  }
  return lines;
}

TEST(ResultsLines, BlankLinesAndSecondLineEndsProduceNothing) {
  static ResultsAccumulator acc;
  ClearAccumulator(acc);
  // Spread over several ticks: a partial line waits for the rest.
  EXPECT_EQ(Feed(acc, "VOLTS 1.5\r"), std::vector<std::string>{"VOLTS 1.5"});
  EXPECT_TRUE(Feed(acc, "\n\r\nAMPS").empty());
  EXPECT_EQ(acc.count, 4);
  EXPECT_EQ(Feed(acc, " 2\r\n"), std::vector<std::string>{"AMPS 2"});
  EXPECT_EQ(Feed(acc, "\n\n\r\r"), std::vector<std::string>{});
}

TEST(ResultsLines, AnOverlongLineIsShownWholeAndCollectionRestarts) {
  static ResultsAccumulator acc;
  ClearAccumulator(acc);
  std::string longLine(kAccumulatorLimit + 5, 'x');
  auto lines = Feed(acc, longLine + "\r\n");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), static_cast<size_t>(kAccumulatorLimit));
  EXPECT_EQ(lines[1], "xxxxx");
}

TEST(ResultsLines, ReceivedLengthStopsAtTheFirstZero) {
  const unsigned char line[] = {'a', 'b', 0, 'c'};
  EXPECT_EQ(ReceivedLength(line, 4), 2);
  EXPECT_EQ(ReceivedLength(line, 1), 1);
}

// The held text reaches the edit control as a zero-terminated string: a zero
// byte inside a line cuts that line there and nothing after it.
TEST(ResultsLines, AZeroByteCutsOnlyItsOwnLine) {
  static ResultsAccumulator acc;
  ClearAccumulator(acc);
  std::string held;
  const char bytes[] = "first\r\nA\0B\r\nsecond\r\n\0skipped\r\nthird\r\n";
  std::string stream(bytes, sizeof bytes - 1);
  for (unsigned char c : stream) {
    if (AccumulateByte(acc, c)) {
      HoldReceivedLine(held, acc.bytes, acc.count);
      ClearAccumulator(acc);
    }
  }
  EXPECT_EQ(std::string(held.c_str()), "first\r\nA\r\nsecond\r\nthird\r\n");
  EXPECT_EQ(strlen(held.c_str()), held.size());
  // A zero inside a packed number is part of the number, not a line end.
  const unsigned char packed[] = {'v', '=', 0x81, 0x00, 0x00, 0x00, 'V'};
  std::string shown = RenderResultLine(packed, 7);
  EXPECT_EQ(shown.back(), 'V');
  EXPECT_EQ(shown.find('\0'), std::string::npos);
}

TEST(ResultsLines, ThePaneDropsWholeLinesFromTheTopPastItsLimit) {
  EXPECT_EQ(PaneTrimCount(1000, 1000), 0u);
  EXPECT_EQ(PaneTrimCount(kPaneScrollBackLimit - 10, 10), 0u);
  // One character over: back down to three quarters, the new text included.
  EXPECT_EQ(PaneTrimCount(kPaneScrollBackLimit - 10, 11), kPaneScrollBackLimit - 10 - (kPaneKeepAfterTrim - 11));
  EXPECT_EQ(PaneTrimCount(kPaneScrollBackLimit, kPaneKeepAfterTrim + 5), kPaneScrollBackLimit);
  // A batch larger than the pane keeps its newest whole lines.
  std::string batch = "aaaa\r\nbbbb\r\ncccc\r\n";
  EXPECT_EQ(PaneBatchStart(batch, 100), 0u);
  EXPECT_EQ(batch.substr(PaneBatchStart(batch, 13)), "bbbb\r\ncccc\r\n");
  EXPECT_EQ(batch.substr(PaneBatchStart(batch, 12)), "bbbb\r\ncccc\r\n");
  EXPECT_EQ(batch.substr(PaneBatchStart(batch, 11)), "cccc\r\n");
  EXPECT_EQ(PaneBatchStart(std::string(50, 'x'), 10), 50u);  // no line end: nothing fits whole
}

TEST(ResultsLines, HeldLinesGoIntoThePaneNoMoreThanHalfTheTime) {
  EXPECT_FALSE(PaneAppendDue(1000, 0, 0, 0));     // nothing waiting
  EXPECT_TRUE(PaneAppendDue(1000, 1000, 0, 10));  // cheap appends: every tick
  // The last append took 200 ms: the next waits as long after it ended.
  EXPECT_FALSE(PaneAppendDue(1150, 1000, 200, 10));
  EXPECT_TRUE(PaneAppendDue(1200, 1000, 200, 10));
  // Unless a lot is waiting.
  EXPECT_TRUE(PaneAppendDue(1001, 1000, 200, kPaneHoldLimit));
  // Across the tick count's wrap.
  EXPECT_FALSE(PaneAppendDue(50, 0xFFFFFFF0u, 100, 10));
  EXPECT_TRUE(PaneAppendDue(90, 0xFFFFFFF0u, 100, 10));
}

TEST(EchoAndRecall, RecallTakesTheCommandOfAnEchoLineOnly) {
  std::string pane = "reply line\r\n" + EchoLine("*IDN?") + EchoLine("MODE,1") + ">\r\n";
  EXPECT_EQ(EchoLine("*IDN?"), "> *IDN?\r\n");
  long idnLine = static_cast<long>(pane.find("> *IDN?"));
  EXPECT_EQ(RecallCommandAt(pane, idnLine), "*IDN?");
  EXPECT_EQ(RecallCommandAt(pane, static_cast<long>(pane.find("> MODE"))), "MODE,1");
  EXPECT_EQ(RecallCommandAt(pane, 0), "");                                       // not an echo line
  EXPECT_EQ(RecallCommandAt(pane, static_cast<long>(pane.rfind(">\r\n"))), "");  // ">" alone
  EXPECT_EQ(RecallCommandAt(pane, static_cast<long>(pane.size())), "");          // past the end
  EXPECT_EQ(RecallCommandAt(">", 0), "");
  // At most 100 characters come back.
  std::string longEcho = EchoLine(std::string(150, 'q'));
  EXPECT_EQ(RecallCommandAt(longEcho, 0), std::string(100, 'q'));
}

TEST(EchoAndRecall, StripLineEndsClosesTheGaps) {
  EXPECT_EQ(StripLineEnds("a\rb\nc\r\n"), "abc");
  EXPECT_EQ(StripLineEnds("\r\n"), "");
}

TEST(Settings, PathsStampAndStoredSizes) {
  std::string folder = SettingsFolderFor("C:\\Users\\me\\AppData\\Local");
  EXPECT_EQ(folder, "C:\\Users\\me\\AppData\\Local\\Quartzline\\Quillboxer");
  EXPECT_EQ(SettingsFileFor(folder), folder + "\\Quillboxer.ini");
  // No folder found: the paths begin at the root of the current drive.
  EXPECT_EQ(SettingsFileFor(SettingsFolderFor("")), "\\Quartzline\\Quillboxer\\Quillboxer.ini");

  std::tm t = {};
  t.tm_hour = 9;
  t.tm_min = 7;
  t.tm_mday = 3;
  t.tm_mon = 10;
  t.tm_year = 114;
  EXPECT_EQ(FormatCreatedStamp(t), "09:07:00 3/11/2014");

  EXPECT_TRUE(StoredSizeUsable(1, 1024));
  EXPECT_TRUE(StoredSizeUsable(1024, 1024));
  EXPECT_FALSE(StoredSizeUsable(0, 1024));
  EXPECT_FALSE(StoredSizeUsable(-1, 1024));
  EXPECT_FALSE(StoredSizeUsable(1025, 1024));
  EXPECT_TRUE(ShouldSaveSize(900, -1, 1024));
  EXPECT_FALSE(ShouldSaveSize(900, 900, 1024));
  EXPECT_FALSE(ShouldSaveSize(1300, -1, 1024));  // maximised beyond the screen
}

TEST(Settings, OnlyArgumentsStartingWithDashDTurnTheTraceOn) {
  EXPECT_FALSE(ScanDebugSwitches({}).trace);
  EXPECT_FALSE(ScanDebugSwitches({"-D", "d", "x-d"}).trace);
  DebugSwitches plain = ScanDebugSwitches({"-d"});
  EXPECT_TRUE(plain.trace);
  EXPECT_FALSE(plain.deleteDebugFile);
  EXPECT_FALSE(ScanDebugSwitches({"-dx1"}).deleteDebugFile);
  EXPECT_TRUE(ScanDebugSwitches({"other", "-d1"}).deleteDebugFile);
  EXPECT_TRUE(ScanDebugSwitches({"-d15"}).deleteDebugFile);
}

}  // namespace
