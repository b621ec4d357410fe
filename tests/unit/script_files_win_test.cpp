// The Windows side of script files, under Wine: the open-file dialog with its
// check and message, loading into a real list box, and the list box serving
// the interpreter and the runner as the listing. Built for Windows only.
#ifdef _WIN32
#include "script/script_files_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>

#include "script/script_runner.h"
#include "support/file_dialog_win.h"
#include "support/host.h"
#include "support/script_recorder.h"

using namespace qb;

namespace {

using Lines = std::vector<std::string>;

Lines Items(HWND box) {
  ScriptListBox listing(box);
  Lines lines;
  char text[400];
  for (int i = 0; i < listing.LineCount(); ++i) {
    listing.LineText(i, text, sizeof text);
    lines.push_back(text);
  }
  return lines;
}

// The text of this process's message box captioned "Vantor", answered with OK.
std::string AnswerMessageBox() {
  return qbtest::AnswerMessageBoxOk(GetCurrentProcessId(), "Vantor");
}

class ScriptFilesWinTest : public ::testing::Test {
 protected:
  void SetUp() override {
    qbtest::ResetScriptGlobals(SCRIPT_STOPPED);
    box_ = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0, 0, 300, 200, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(box_, nullptr);
  }
  void TearDown() override { DestroyWindow(box_); }
  // A script file in the scratch folder; returns its Windows path.
  std::string Write(const std::string& name, const std::string& bytes) {
    std::string host = dir_ + "/" + name;
    EXPECT_TRUE(qbtest::WriteHostFile(host, bytes));
    return qbtest::LocalPath(host);
  }

  std::string dir_ = qbtest::MakeScratchDir("script-win");
  HWND box_ = nullptr;
};

TEST_F(ScriptFilesWinTest, ListBoxHoldsTheScriptAndServesTheRunner) {
  ScriptListBox listing(box_);
  listing.AddLine("old");
  std::string path = Write("run.txt", "\"*IDN?\r\n#reply,2\r\n" + std::string(120, '#') + "\r\n=5\r\n");
  ASSERT_TRUE(LoadScriptFile(nullptr, box_, path.c_str(), true));
  EXPECT_EQ(Items(box_), (Lines{"\"*IDN?", "#reply,2", "=5"}));
  EXPECT_EQ(listing.Selection(), -1);

  qbtest::RecordingScriptHost host;
  ScriptState = SCRIPT_STEP;
  ScriptTick(listing, host);
  EXPECT_EQ(host.sent, Lines{"*IDN?"});
  EXPECT_EQ(listing.Selection(), 2);  // the #reply line went with the query
  ScriptState = SCRIPT_STEP;
  ScriptTick(listing, host);
  EXPECT_EQ(CalcStack.X, 5.0);
  EXPECT_EQ(listing.Selection(), -1);

  // Item texts are cut to the caller's buffer, whatever their length.
  listing.AddLine(std::string(300, 'a').c_str());
  char text[kScriptLineSize];
  listing.LineText(3, text, sizeof text);
  EXPECT_EQ(std::string(text), std::string(100, 'a'));
  listing.LineText(4, text, sizeof text);
  EXPECT_STREQ(text, "");
}

TEST_F(ScriptFilesWinTest, SelectScriptFileShowsTheDialogAndChecksTheChoice) {
  std::string script = Write("good.txt", "#echo,hi\r\n");
  std::string notScript = Write("calc.txt", "=5\r\n");
  char path[260];

  std::thread user(
      [&] { EXPECT_TRUE(qbtest::ChooseInFileDialog(GetCurrentProcessId(), "Select Script File", script)); });
  EXPECT_TRUE(SelectScriptFile(nullptr, path, sizeof path));
  user.join();
  EXPECT_STRCASEEQ(path, script.c_str());

  user = std::thread([&] { EXPECT_TRUE(qbtest::CancelFileDialog(GetCurrentProcessId(), "Select Script File")); });
  EXPECT_FALSE(SelectScriptFile(nullptr, path, sizeof path));
  user.join();
  EXPECT_STREQ(path, "");

  std::string message;
  user = std::thread([&] {
    EXPECT_TRUE(qbtest::ChooseInFileDialog(GetCurrentProcessId(), "Select Script File", notScript));
    message = AnswerMessageBox();
  });
  EXPECT_FALSE(SelectScriptFile(nullptr, path, sizeof path));
  user.join();
  EXPECT_STRCASEEQ(message.c_str(), (notScript + " does not appear to be a script file").c_str());
}

// Another program holding the file open without sharing it keeps it from
// being read; the list box keeps the script it had.
TEST_F(ScriptFilesWinTest, FileHeldByAnotherProgramCannotBeRead) {
  ScriptListBox(box_).AddLine("#echo,kept");
  std::string path = Write("held.txt", "#echo\r\n");
  HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string message;
  std::thread user([&] { message = AnswerMessageBox(); });
  EXPECT_FALSE(LoadScriptFile(nullptr, box_, path.c_str(), true));
  user.join();
  CloseHandle(held);
  EXPECT_EQ(message, "Unable to read file " + path);
  EXPECT_EQ(Items(box_), Lines{"#echo,kept"});
}

}  // namespace
#endif  // _WIN32
