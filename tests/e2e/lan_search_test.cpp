// The LAN search end to end: the Connect dialog's search button, the "Please
// Choose Instrument" list with its rows, choosing by OK and by double click,
// Cancel, a single instrument chosen already, and "No Instruments found on
// this subnet". The program broadcasts for real, so these cases run only on
// the virtual LAN that tests/support/lan-netns.sh makes (CTest test
// wine.LanSearch); anywhere else they skip. The instruments are the ones in
// tests/support/lan-instruments.txt.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "harness.h"
#include "list_view.h"
#include "resources/resource.h"
#include "support/host.h"
#include "terminal.h"

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
    ForgetSettings();
    ASSERT_TRUE(app_.Start());
    ASSERT_NE(app_.WaitForMainWindow(), nullptr);
    connect_ = WaitForConnectDialog(app_.Pid());
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
  HWND list = List(choose);
  std::vector<ListRow> rows = ReadListRows(list, 2);
  std::multimap<std::string, std::string> shown;
  for (const ListRow& row : rows) shown.insert({row.texts[0], row.texts[1]});
  // Probe A's instruments, then probe B's; "twice" answers both probes (and
  // probe A twice), the stranger is no maker's instrument and the rejected
  // replies find nobody.
  EXPECT_EQ(shown, (std::multimap<std::string, std::string>{
                       {Instrument("hxa"), "HXA1510,0,1.07"},
                       {Instrument("twice"), "PSM1735,0,1.12"},
                       {Instrument("silent"), "Connection Failed 2"},
                       {Instrument("ztq"), "ZTQ1200,7,2.01"},
                       {Instrument("twice"), "PSM1735,0,1.12"},
                       {Instrument("refusing"), "Connection Failed 1"},
                       {Instrument("long"), "DWTX300,0,1.00-build-2014-06-25-rev-c-s"},
                   }));
  // The rows carry increasing record indexes, probe A's rows first.
  ASSERT_EQ(rows.size(), 7u);
  for (size_t i = 1; i < rows.size(); ++i) EXPECT_LT(rows[i - 1].data, rows[i].data);
  EXPECT_LT(rows[RowOf(rows, Instrument("hxa"))].data, rows[RowOf(rows, Instrument("ztq"))].data);
  // Columns of 30% and 70% of the list's width; nothing chosen yet.
  RECT client = {};
  GetClientRect(list, &client);
  EXPECT_EQ(ListColumnWidth(list, 0), client.right * 30 / 100);
  EXPECT_EQ(ListColumnWidth(list, 1), client.right * 70 / 100);
  for (const ListRow& row : rows) EXPECT_FALSE(row.selected);
  EXPECT_FALSE(IsEnabled(GetDlgItem(choose, IDOK)));
  Screenshot("lan-search-choose-instrument");

  int hxa = RowOf(rows, Instrument("hxa"));
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
