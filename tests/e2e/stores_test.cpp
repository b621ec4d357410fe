// End to end: the Programs and Download Results dialogs of the real program
// under Wine, connected over LAN to the simulator as a ZTQ instrument with
// seeded stores. Files the program saves are compared with the simulator's
// stores; what the program sends is read in the simulator's transcript. The
// exchanges themselves, over both transports and when they break off, are
// the store tests' (store_exchange_test.cpp, StoreExchange); which buttons a
// selection enables and what the queue takes, the view tests'
// (store_view_test.cpp).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/job_recorder.h"
#include "support/store_seed.h"

using namespace e2e;
using qbtest::HostFileExists;
using qbtest::LocalPath;
using qbtest::ReadHostFile;
using qbtest::TranscriptBytes;
using qbtest::WaitFor;

namespace {

// The program writes text files with CR LF line ends.
std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == '\n') out += '\r';
    out += ch;
  }
  return out;
}

TEST(ProgramStores, ListSaveUploadDeleteAndLoadDefault) {
  const std::string seed = qbtest::SeedStores("Bridge");
  const std::string dump = qbtest::MakeScratchDir("e2e-dump");
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", seed, "--stores-dump", dump})) << c.error;
  HWND dialog = c.Open(CMD_PROGRAM_MANAGEMENT, "Programs");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, IDC_PROGRAM_LIST);
  std::vector<ListRow> rows = ReadListRows(list, 3);
  ASSERT_EQ(rows.size(), 999u);
  EXPECT_EQ(rows[2].texts, (std::vector<std::string>{"3", "Sweep", "2014-06-25 10:00"}));
  EXPECT_EQ(rows[0].texts, (std::vector<std::string>{"1", " ", " "}));
  EXPECT_EQ(ControlText(dialog, IDC_PROGRAMS_LABEL), "Programs Stored on current ZTQ:");
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_QZL)));
  Screenshot("program-stores");

  ASSERT_TRUE(SelectListRow(list, 2));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_DELETE_PROGRAM)); }, kWait));
  EXPECT_EQ(ControlText(dialog, IDC_UPLOAD_QZL), "Overwrite with QZL file");
  Screenshot("program-stores-selected");

  // Saved under a new name typed without extension: prog becomes prog.QZL.
  const std::string out = qbtest::MakeScratchDir("e2e-programs");
  ClickButton(dialog, IDC_DOWNLOAD_QZL);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Save QZL file", LocalPath(out + "/prog")));
  ASSERT_TRUE(WaitFor([&] { return ReadHostFile(out + "/prog.QZL").size() == 1024; }, kWait));
  EXPECT_EQ(ReadHostFile(out + "/prog.QZL"), ReadHostFile(seed + "/programs/003.QZL"));
  // Saving as prog again asks before replacing prog.QZL; No leaves it alone.
  ClickButton(dialog, IDC_DOWNLOAD_QZL);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Save QZL file", LocalPath(out + "/prog")));
  MessageBoxInfo replace;
  ASSERT_TRUE(WaitForMessageBox(c.app.Pid(), replace));
  EXPECT_NE(replace.text.find("already exists"), std::string::npos) << replace.text;
  EXPECT_EQ(replace.buttonIds, (std::vector<int>{IDYES, IDNO}));
  AnswerMessageBox(replace, IDNO);
  EXPECT_EQ(qbtest::CountOf(TranscriptBytes(c.sim.Transcript(), "in", "tcp"), "progra,qzlfil?"), 1u);

  // Uploaded into empty slot 5: the instrument holds the file and the list shows it.
  ASSERT_TRUE(SelectListRow(list, 4));
  ClickButton(dialog, IDC_UPLOAD_QZL);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Open QZL file", LocalPath(out + "/prog.QZL")));
  ASSERT_TRUE(WaitFor([&] { return ReadListRows(list, 3)[4].texts[1] == "Uploaded005"; }, kWait));
  EXPECT_EQ(ReadHostFile(dump + "/programs/005.QZL"), ReadHostFile(seed + "/programs/003.QZL"));

  ASSERT_TRUE(SelectListRow(list, 4));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_DELETE_PROGRAM)); }, kWait));
  ClickButton(dialog, IDC_DELETE_PROGRAM);
  ASSERT_TRUE(WaitFor([&] { return !HostFileExists(dump + "/programs/005.QZL"); }, kWait));
  ASSERT_TRUE(WaitFor([&] { return ReadListRows(list, 3)[4].texts[1] == " "; }, kWait));

  ClickButton(dialog, IDC_LOAD_DEFAULT);
  EXPECT_TRUE(c.sim.WaitForReceived("progra,recall,0\n"));
  ClickButton(dialog, IDOK);
  EXPECT_TRUE(WaitForWindowGone(dialog));
  // Polling is back: a typed query is answered in the pane.
  c.SendLine("*IDN?");
  EXPECT_TRUE(c.WaitForPane("QUARTZLINE,ZTQ1200")) << c.PaneText();
}

// The refusal's text is the store tests' (StoreExchange.AnUnknownInstrumentIsIdentifiedBeforeAScan);
// here both dialogs show it and still open, empty.
TEST(StoreDialogs, RefuseAnHxaInstrument) {
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--model", "hxa"})) << c.error;
  const struct {
    int command;
    const char* title;
    int list, close;
  } dialogs[] = {{CMD_PROGRAM_MANAGEMENT, "Programs", IDC_PROGRAM_LIST, IDOK},
                 {CMD_DOWNLOAD_RESULTS, "Download Results", IDC_RESULT_LIST, IDCANCEL}};
  for (const auto& d : dialogs) {
    MenuCommand(c.app.Main(), d.command);
    EXPECT_EQ(AnswerNextBox(c.app.Pid()), "Scan Failed: Scan Failed: Incompatable Instrument (icon)") << d.title;
    HWND dialog = c.Dialog(d.title);
    ASSERT_TRUE(dialog);
    EXPECT_TRUE(ReadListRows(GetDlgItem(dialog, d.list), 3).empty());
    ClickButton(dialog, d.close);
    EXPECT_TRUE(WaitForWindowGone(dialog));
  }
}

TEST(ResultsDownload, QueueThreeAndDownloadAsTextAndQzl) {
  const std::string seed = qbtest::SeedStores("Bridge");
  ConnectedApp c;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", seed})) << c.error;
  HWND dialog = c.Open(CMD_DOWNLOAD_RESULTS, "Download Results");
  ASSERT_TRUE(dialog);
  // Results 1, 4 and 12 queued, and 4 tried twice.
  HWND results = GetDlgItem(dialog, IDC_RESULT_LIST), queue = GetDlgItem(dialog, IDC_QUEUE_LIST);
  ASSERT_TRUE(WaitFor([&] { return ReadListRows(results, 3).size() == 3; }, kWait));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_ADD_RESULT)); }, kWait));
  for (size_t row = 0; row < 3; ++row) {
    ASSERT_TRUE(SelectListRow(results, static_cast<int>(row)));
    ClickButton(dialog, IDC_ADD_RESULT);
    // The click is posted: the next selection waits until it was taken.
    ASSERT_TRUE(WaitFor([&] { return ReadListRows(queue, 3).size() == row + 1; }, kWait));
  }
  ASSERT_TRUE(SelectListRow(results, 1));
  ClickButton(dialog, IDC_ADD_RESULT);
  EXPECT_EQ(AnswerNextBox(c.app.Pid()), "Download Results: That result is already selected (icon)");
  std::vector<ListRow> rows = ReadListRows(queue, 3);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].texts, (std::vector<std::string>{"4", " ", "2014-06-26,11:00"}));
  Screenshot("results-download-queued");

  // No folder yet.
  ClickButton(dialog, IDC_DOWNLOAD_TXT);
  EXPECT_EQ(AnswerNextBox(c.app.Pid()), "Error Downloading Results: Select an export location");

  // Browse opens the folder browser at the documents folder; OK takes it.
  ClickButton(dialog, IDC_BROWSE);
  HWND browser = c.Dialog("Browse for Folder");
  ASSERT_TRUE(browser);
  Screenshot("results-download-browse");
  ClickButton(browser, IDOK);
  ASSERT_TRUE(WaitFor([&] { return !ControlText(dialog, IDC_DOWNLOAD_DIRECTORY).empty(); }, kWait));
  std::string chosen = ControlText(dialog, IDC_DOWNLOAD_DIRECTORY);
  EXPECT_EQ(chosen.substr(chosen.size() - 10), "\\Documents") << chosen;

  for (int button : {IDC_DOWNLOAD_TXT, IDC_DOWNLOAD_QZL_RESULTS}) {
    const bool qzl = button == IDC_DOWNLOAD_QZL_RESULTS;
    const std::string folder = qbtest::MakeScratchDir("e2e-results");
    SetControlText(dialog, IDC_DOWNLOAD_DIRECTORY, LocalPath(folder));
    ClickButton(dialog, button);
    EXPECT_TRUE(c.Dialog("Retrieving Results"));
    EXPECT_EQ(AnswerNextBox(c.app.Pid(), 30000), "Download Complete: Download Complete");
    for (const char* n : {"001", "004", "012"}) {
      std::string stored = ReadHostFile(seed + "/results/" + n + (qzl ? ".QZL" : ".txt"));
      std::string got = ReadHostFile(folder + "/ZTQ_R" + n + (qzl ? ".QZL" : ".txt"));
      EXPECT_EQ(got, qzl ? stored : WithCrLf(stored)) << n;
    }
  }
  // The queue stays; emptied by double-clicks, it leaves Remove and both
  // downloads disabled.
  for (size_t left = 3; left > 0; --left) {
    ASSERT_TRUE(DoubleClickListRow(queue, 0));
    ASSERT_TRUE(WaitFor([&] { return ReadListRows(queue, 3).size() == left - 1; }, kWait));
  }
  for (int id : {IDC_REMOVE_RESULT, IDC_DOWNLOAD_TXT, IDC_DOWNLOAD_QZL_RESULTS}) {
    EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, id))) << id;
  }
  ClickButton(dialog, IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(dialog));
}

}  // namespace
