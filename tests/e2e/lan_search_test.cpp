// The LAN search end to end: the Connect dialog's search button, the "Please
// Choose Instrument" list with its rows, choosing by OK and by double click,
// Cancel, a single instrument chosen already, and "No Instruments found on
// this subnet". The program broadcasts for real, so these cases run only on
// the virtual LAN that tests/support/lan-netns.sh makes (CTest test
// wine.LanSearch); anywhere else they skip. The instruments are the ones in
// tests/support/lan-instruments.txt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "harness.h"
#include "resources/resource.h"
#include "support/host.h"

using namespace e2e;
using qbtest::WaitFor;

namespace {

constexpr int kSearchWait = 30000;  // two probes and the identification, with room

std::string Env(const std::string& name) {
  const char* value = getenv(name.c_str());
  return value ? value : "";
}

std::string Instrument(std::string name) {
  for (char& c : name) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  return Env("QB_LAN_" + name);
}

// Inside the virtual LAN: the script said so, and a host program started
// from here is not in the network namespace the script started in.
bool OnVirtualLan() {
  std::string outside = Env("QB_LAN_OUTSIDE_NETNS");
  if (Env("QB_LAN_NETNS").empty() || outside.empty()) return false;
  return qbtest::RunHost({"/bin/sh", "-c", "[ \"$(readlink /proc/self/ns/net)\" != \"$1\" ]", "sh", outside}) == 0;
}

// Ends an instrument's simulator and waits until it is gone.
bool StopInstrument(const std::string& name) {
  std::string pid = Instrument(name + "_pid"), pidfile = Instrument(name + "_pidfile");
  if (pid.empty() || pidfile.empty()) return false;
  qbtest::RunHost({"/bin/kill", "-TERM", pid});
  return WaitFor([&] { return !qbtest::HostFileExists(pidfile); }, 5000);
}

class LanSearch : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!OnVirtualLan())
      GTEST_SKIP() << "broadcasts only inside the virtual LAN of tests/support/lan-netns.sh (CTest test "
                      "wine.LanSearch)";
    connect_ = StartFresh(app_);
    ASSERT_NE(connect_, nullptr);
    ASSERT_TRUE(ChooseInList(connect_, IDC_INTERFACE, "LAN"));
    ASSERT_TRUE(IsShown(GetDlgItem(connect_, IDC_LAN_SEARCH)));
  }
  void TearDown() override { app_.Kill(); }

  // Presses the search button; the list dialog once it shows, else null.
  HWND Search() {
    ClickButton(connect_, IDC_LAN_SEARCH);
    return WaitForWindow(app_.Pid(), "#32770", "Please Choose Instrument", kSearchWait);
  }
  static HWND List(HWND choose) { return GetDlgItem(choose, IDC_INSTRUMENT_LIST); }
  // The row showing address, the n-th (from 0) when it shows more than once.
  static int RowOf(const std::vector<ListRow>& rows, const std::string& address, int n = 0) {
    for (size_t i = 0; i < rows.size(); ++i) {
      if (rows[i].texts[0] == address && n-- == 0) return static_cast<int>(i);
    }
    return -1;
  }
  std::string IpControl() const { return ControlText(connect_, IDC_IP_ADDRESS); }

  App app_;
  HWND connect_ = nullptr;
};

TEST_F(LanSearch, ListsTheFoundInstrumentsAndOkPutsTheChosenAddressInTheIpControl) {
  Screenshot("lan-search-connect-dialog");
  // While the search runs, the Connect dialog's caption says so. The
  // caption is read without a message: the dialog's thread is busy.
  const std::string caption = TextOf(connect_);
  auto shownCaption = [&] {
    char text[128] = "";
    GetWindowTextA(connect_, text, sizeof text);
    return std::string(text);
  };
  ClickButton(connect_, IDC_LAN_SEARCH);
  EXPECT_TRUE(WaitFor([&] { return shownCaption() == caption + " - searching the LAN..."; }, 5000)) << shownCaption();
  Screenshot("lan-search-searching");
  HWND choose = WaitForWindow(app_.Pid(), "#32770", "Please Choose Instrument", kSearchWait);
  ASSERT_NE(choose, nullptr) << "no list after the search";
  EXPECT_EQ(shownCaption(), caption);
  // Which rows a search finds, in which order and how wide the columns are
  // is the search's own (lan_search_netns_test.cpp, lan_search_test.cpp);
  // here the list shows them, nothing chosen yet.
  HWND list = List(choose);
  std::vector<ListRow> rows = ReadListRows(list, 2);
  ASSERT_EQ(rows.size(), 7u);
  int hxa = RowOf(rows, Instrument("hxa"));
  ASSERT_GE(hxa, 0);
  EXPECT_EQ(rows[hxa].texts[1], "HXA1510,0,1.07");
  for (const ListRow& row : rows) EXPECT_FALSE(row.selected);
  EXPECT_FALSE(IsEnabled(GetDlgItem(choose, IDOK)));
  Screenshot("lan-search-choose-instrument");
  ASSERT_TRUE(SelectListRow(list, hxa));
  EXPECT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(choose, IDOK)); }, 2000));
  Screenshot("lan-search-row-chosen");
  ClickButton(choose, IDOK);
  ASSERT_TRUE(WaitForWindowGone(choose));
  EXPECT_EQ(IpControl(), Instrument("hxa"));

  // The chosen address connects.
  ClickButton(connect_, IDC_CONNECT);
  EXPECT_EQ(AnswerNextBox(app_.Pid()), "Connection: Connection Successful");
}

TEST_F(LanSearch, CancelKeepsTheAddressAndADoubleClickChooses) {
  SetControlText(connect_, IDC_IP_ADDRESS, "10.113.7.99");
  HWND choose = Search();
  ASSERT_NE(choose, nullptr);
  ClickButton(choose, IDCANCEL);
  ASSERT_TRUE(WaitForWindowGone(choose));
  EXPECT_EQ(IpControl(), "10.113.7.99");

  choose = Search();
  ASSERT_NE(choose, nullptr);
  std::vector<ListRow> rows = ReadListRows(List(choose), 2);
  // The second row of the instrument that answered both probes.
  int twiceByB = RowOf(rows, Instrument("twice"), 1);
  ASSERT_GE(twiceByB, 0);
  ASSERT_TRUE(DoubleClickListRow(List(choose), twiceByB));
  ASSERT_TRUE(WaitForWindowGone(choose));
  EXPECT_EQ(IpControl(), Instrument("twice"));
}

// Stops instruments for good: it runs after the cases that need them all.
TEST_F(LanSearch, ALoneInstrumentIsChosenAlreadyAndSilenceIsReported) {
  for (const char* name : {"rejected", "ztq", "twice", "silent", "refusing", "stranger", "long"})
    ASSERT_TRUE(StopInstrument(name)) << name;
  HWND choose = Search();
  ASSERT_NE(choose, nullptr);
  std::vector<ListRow> rows = ReadListRows(List(choose), 2);
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].texts, (std::vector<std::string>{Instrument("hxa"), "HXA1510,0,1.07"}));
  EXPECT_TRUE(rows[0].selected);
  EXPECT_TRUE(rows[0].focused);
  EXPECT_TRUE(IsEnabled(GetDlgItem(choose, IDOK)));
  Screenshot("lan-search-one-instrument");
  ClickButton(choose, IDOK);
  ASSERT_TRUE(WaitForWindowGone(choose));
  EXPECT_EQ(IpControl(), Instrument("hxa"));

  ASSERT_TRUE(StopInstrument("hxa"));
  SetControlText(connect_, IDC_IP_ADDRESS, "10.113.7.98");
  ClickButton(connect_, IDC_LAN_SEARCH);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(app_.Pid(), box, kSearchWait));
  EXPECT_EQ(box.text, "No Instruments found on this subnet");
  EXPECT_EQ(box.caption, "LAN Find Instrument");
  EXPECT_TRUE(box.hasIcon);
  Screenshot("lan-search-nothing-found");
  AnswerMessageBox(box, IDOK);
  EXPECT_EQ(IpControl(), "10.113.7.98");
  EXPECT_TRUE(IsShown(connect_));
}

}  // namespace
