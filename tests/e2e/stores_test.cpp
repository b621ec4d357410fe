// End to end: the Programs and Download Results dialogs of the real program
// under Wine, connected over LAN to the simulator as a ZTQ instrument with
// seeded stores. Files the program saves are compared with the simulator's
// stores; what the program sends is read in the simulator's transcript.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"
#include "list_view.h"
#include "resources/resource.h"
#include "support/file_dialog_win.h"
#include "support/job_recorder.h"
#include "support/store_seed.h"
#include "terminal.h"

using namespace e2e;
using qbtest::HostFileExists;
using qbtest::LocalPath;
using qbtest::ReadHostFile;
using qbtest::TranscriptBytes;
using qbtest::WaitFor;
using qbtest::WriteHostFile;

namespace {

HWND OpenDialog(ConnectedApp& c, int command, const char* title) {
  MenuCommand(c.app.Main(), command);
  HWND dialog = WaitForWindow(c.app.Pid(), "#32770", title);
  if (!dialog) Screenshot(std::string("no-dialog-") + title);
  return dialog;
}

// The furthest count the progress line showed ("Progress: N/3") before its
// dialog closed. Sent messages are taken before posted ones, so with several
// readers always waiting, the last step's text is read before the finish
// that follows it closes the dialog.
int FurthestProgress(HWND progress) {
  std::atomic<int> furthest{-1};
  std::vector<std::thread> readers;
  for (int r = 0; r < 4; ++r) {
    readers.emplace_back([&] {
      HWND line = GetDlgItem(progress, 1016);
      while (IsWindow(progress)) {
        char text[128] = "";
        DWORD_PTR length = 0;
        int count = -1, total = 0;
        if (SendMessageTimeoutA(line, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 1000,
                                &length) &&
            sscanf(text, "Progress: %d/%d", &count, &total) == 2 && total == 3) {
          int seen = furthest.load();
          while (count > seen && !furthest.compare_exchange_weak(seen, count)) {
          }
        }
      }
    });
  }
  for (auto& reader : readers) reader.join();
  return furthest.load();
}

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
  std::string error;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", seed, "--stores-dump", dump}, &error)) << error;
  HWND dialog = OpenDialog(c, CMD_PROGRAM_MANAGEMENT, "Programs");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, IDC_PROGRAM_LIST);
  std::vector<ListRow> rows = ReadListRows(list, 3);
  ASSERT_EQ(rows.size(), 999u);
  EXPECT_EQ(rows[2].texts, (std::vector<std::string>{"3", "Sweep", "2014-06-25 10:00"}));
  EXPECT_EQ(rows[0].texts, (std::vector<std::string>{"1", " ", " "}));
  EXPECT_EQ(rows[998].texts[0], "999");
  EXPECT_EQ(ListColumnWidth(list, 0), 50);
  EXPECT_EQ(ListColumnWidth(list, 1), 120);
  EXPECT_EQ(ControlText(dialog, IDC_PROGRAMS_LABEL), "Programs Stored on current ZTQ:");
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_UPLOAD_QZL)));
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_QZL)));
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_DELETE_PROGRAM)));
  EXPECT_TRUE(IsEnabled(GetDlgItem(dialog, IDC_LOAD_DEFAULT)));
  Screenshot("program-stores");

  ASSERT_TRUE(SelectListRow(list, 3));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_UPLOAD_QZL)); }, kWait));
  EXPECT_EQ(ControlText(dialog, IDC_UPLOAD_QZL), "Upload QZL file");
  EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_QZL)));
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

TEST(ProgramStores, OverASerialPortListAndSave) {
  const std::string seed = qbtest::SeedStores("Bridge");
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartSerial({"--model", "ztq", "--stores", seed}, 9, "USB", &error)) << error;
  HWND dialog = OpenDialog(c, CMD_PROGRAM_MANAGEMENT, "Programs");
  ASSERT_TRUE(dialog);
  HWND list = GetDlgItem(dialog, IDC_PROGRAM_LIST);
  std::vector<ListRow> rows = ReadListRows(list, 3);
  ASSERT_EQ(rows.size(), 999u);
  EXPECT_EQ(rows[11].texts, (std::vector<std::string>{"12", "Bridge", "2015-01-02 09:30"}));
  ASSERT_TRUE(SelectListRow(list, 2));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_DOWNLOAD_QZL)); }, kWait));
  const std::string out = qbtest::MakeScratchDir("e2e-serial");
  ClickButton(dialog, IDC_DOWNLOAD_QZL);
  ASSERT_TRUE(qbtest::ChooseInFileDialog(c.app.Pid(), "Save QZL file", LocalPath(out + "/slot3.qzl")));
  ASSERT_TRUE(WaitFor([&] { return ReadHostFile(out + "/slot3.qzl").size() == 1024; }, kWait));
  EXPECT_EQ(ReadHostFile(out + "/slot3.qzl"), ReadHostFile(seed + "/programs/003.QZL"));
  ClickButton(dialog, IDOK);
  EXPECT_TRUE(WaitForWindowGone(dialog));
}

TEST(StoreDialogs, RefuseAnHxaInstrument) {
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({"--model", "hxa"}, &error)) << error;
  const struct {
    int command;
    const char* title;
  } dialogs[] = {{CMD_PROGRAM_MANAGEMENT, "Programs"}, {CMD_DOWNLOAD_RESULTS, "Download Results"}};
  for (const auto& d : dialogs) {
    MenuCommand(c.app.Main(), d.command);
    EXPECT_EQ(AnswerNextBox(c.app.Pid()), "Scan Failed: Scan Failed: Incompatable Instrument (icon)") << d.title;
    HWND dialog = WaitForWindow(c.app.Pid(), "#32770", d.title);
    ASSERT_TRUE(dialog);
    int listId = d.command == CMD_PROGRAM_MANAGEMENT ? IDC_PROGRAM_LIST : IDC_RESULT_LIST;
    EXPECT_TRUE(ReadListRows(GetDlgItem(dialog, listId), 3).empty());
    ClickButton(dialog, d.command == CMD_PROGRAM_MANAGEMENT ? IDOK : IDCANCEL);
    EXPECT_TRUE(WaitForWindowGone(dialog));
  }
}

// Queues results 1, 4 and 12 (and tries 4 twice).
void QueueThree(HWND dialog, DWORD pid) {
  HWND results = GetDlgItem(dialog, IDC_RESULT_LIST);
  ASSERT_TRUE(WaitFor([&] { return ReadListRows(results, 3).size() == 3; }, kWait));
  ASSERT_TRUE(WaitFor([&] { return IsEnabled(GetDlgItem(dialog, IDC_ADD_RESULT)); }, kWait));
  HWND queue = GetDlgItem(dialog, IDC_QUEUE_LIST);
  for (size_t row = 0; row < 3; ++row) {
    ASSERT_TRUE(SelectListRow(results, static_cast<int>(row)));
    ClickButton(dialog, IDC_ADD_RESULT);
    // The click is posted: the next selection waits until it was taken.
    ASSERT_TRUE(WaitFor([&] { return ReadListRows(queue, 3).size() == row + 1; }, kWait));
  }
  ASSERT_TRUE(SelectListRow(results, 1));
  ClickButton(dialog, IDC_ADD_RESULT);
  EXPECT_EQ(AnswerNextBox(pid), "Download Results: That result is already selected (icon)");
  EXPECT_EQ(ReadListRows(queue, 3).size(), 3u);
}

TEST(ResultsDownload, QueueThreeAndDownloadAsTextAndQzl) {
  const std::string seed = qbtest::SeedStores("Bridge");
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", seed}, &error)) << error;
  HWND dialog = OpenDialog(c, CMD_DOWNLOAD_RESULTS, "Download Results");
  ASSERT_TRUE(dialog);
  QueueThree(dialog, c.app.Pid());
  std::vector<ListRow> rows = ReadListRows(GetDlgItem(dialog, IDC_QUEUE_LIST), 3);
  EXPECT_EQ(rows[1].texts, (std::vector<std::string>{"4", " ", "2014-06-26,11:00"}));
  Screenshot("results-download-queued");

  // No folder yet.
  ClickButton(dialog, IDC_DOWNLOAD_TXT);
  EXPECT_EQ(AnswerNextBox(c.app.Pid()), "Error Downloading Results: Select an export location");

  // Browse opens the folder browser at the documents folder; OK takes it.
  ClickButton(dialog, IDC_BROWSE);
  HWND browser = WaitForWindow(c.app.Pid(), "#32770", "Browse for Folder");
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
    HWND progress = WaitForWindow(c.app.Pid(), "#32770", "Retrieving Results");
    ASSERT_TRUE(progress);
    EXPECT_EQ(FurthestProgress(progress), 3);  // the line ended at Progress: 3/3
    EXPECT_EQ(AnswerNextBox(c.app.Pid(), 30000), "Download Complete: Download Complete");
    for (const char* n : {"001", "004", "012"}) {
      std::string stored = ReadHostFile(seed + "/results/" + n + (qzl ? ".QZL" : ".txt"));
      std::string got = ReadHostFile(folder + "/ZTQ_R" + n + (qzl ? ".QZL" : ".txt"));
      EXPECT_EQ(got, qzl ? stored : WithCrLf(stored)) << n;
    }
  }
  // The queue stays; emptied by double-clicks, it leaves Remove and both
  // downloads disabled.
  HWND queue = GetDlgItem(dialog, IDC_QUEUE_LIST);
  for (size_t left = 3; left > 0; --left) {
    ASSERT_TRUE(DoubleClickListRow(queue, 0));
    ASSERT_TRUE(WaitFor([&] { return ReadListRows(queue, 3).size() == left - 1; }, kWait));
  }
  for (int id : {IDC_REMOVE_RESULT, IDC_DOWNLOAD_TXT, IDC_DOWNLOAD_QZL_RESULTS}) {
    EXPECT_FALSE(IsEnabled(GetDlgItem(dialog, id))) << id;
  }
  EXPECT_TRUE(IsEnabled(GetDlgItem(dialog, IDC_ADD_RESULT)));
  ClickButton(dialog, IDCANCEL);
  EXPECT_TRUE(WaitForWindowGone(dialog));
}

TEST(ResultsDownload, ADroppedTransferSaysWhatWasWrittenAndLeavesNoWholeLookingFile) {
  const std::string seed = qbtest::SeedStores("Bridge");
  ConnectedApp c;
  std::string error;
  ASSERT_TRUE(c.StartLan({"--model", "ztq", "--stores", seed, "--store-fault", "drop:4"}, &error)) << error;
  HWND dialog = OpenDialog(c, CMD_DOWNLOAD_RESULTS, "Download Results");
  ASSERT_TRUE(dialog);
  QueueThree(dialog, c.app.Pid());
  const std::string folder = qbtest::MakeScratchDir("e2e-dropped");
  SetControlText(dialog, IDC_DOWNLOAD_DIRECTORY, LocalPath(folder));
  ClickButton(dialog, IDC_DOWNLOAD_TXT);
  MessageBoxInfo box;
  ASSERT_TRUE(WaitForMessageBox(c.app.Pid(), box, 30000));
  EXPECT_EQ(box.caption, "Download Results");
  EXPECT_NE(box.text.find("broke off"), std::string::npos) << box.text;
  EXPECT_NE(box.text.find("ZTQ_R001.txt"), std::string::npos) << box.text;
  Screenshot("results-download-dropped");
  AnswerMessageBox(box, IDOK);
  EXPECT_TRUE(HostFileExists(folder + "/ZTQ_R001.txt"));
  EXPECT_FALSE(HostFileExists(folder + "/ZTQ_R004.txt"));
  EXPECT_TRUE(HostFileExists(folder + "/ZTQ_R004.txt.part"));
  EXPECT_FALSE(HostFileExists(folder + "/ZTQ_R012.txt"));
}

}  // namespace
