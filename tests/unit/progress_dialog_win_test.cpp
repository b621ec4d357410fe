// The progress dialog under Wine, driven by a worker as the features drive
// it: the one-second start, status texts sent through the task reporter, the
// progress line in each style, the caption, a second task refused while one
// runs, and the dialog ending when the worker returns. Built for Windows only.
#ifdef _WIN32
#include "common/progress_dialog_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "common/ui_seam.h"
#include "resources/resource.h"
#include "support/host.h"
#include "support/link_harness.h"

namespace {

struct Observed {
  long long startedAfterMs = -1;
  std::string caption, status, percentLine, countsLine, stepToLine;
  INT_PTR secondTask = 0;
};

struct WorkerContext {
  qb::BackgroundTask* task;
  long long openedAt;
  Observed seen;
  bool postFinishToo;
};

std::string DialogText(HWND dialog, int id) {
  char text[128] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

// Waits until the progress line reads what is wanted (posted commands are
// shown in their turn); what it read last.
std::string WaitForLine(HWND dialog, const std::string& wanted) {
  std::string line;
  qbtest::WaitFor([&] { return (line = DialogText(dialog, IDC_PROGRESS_LINE)) == wanted; }, 5000);
  return line;
}

unsigned Worker(void* argument) {
  auto* c = static_cast<WorkerContext*>(argument);
  HWND dialog = static_cast<HWND>(c->task->progressWindow);
  c->seen.startedAfterMs = qbtest::NowMs() - c->openedAt;
  char caption[64] = "";
  GetWindowTextA(dialog, caption, sizeof caption);
  c->seen.caption = caption;

  qb::TaskReporter reporter(c->task);
  char onTheStack[] = "Reading stored results";
  reporter.Status(onTheStack);  // sent: shown by the time it returns
  c->seen.status = DialogText(dialog, IDC_PROGRESS_STATUS);
  onTheStack[0] = 'X';

  reporter.Style(qb::ProgressStyle::Percent);
  reporter.Total(8);
  for (int i = 0; i < 3; ++i) reporter.Step(0);
  c->seen.percentLine = WaitForLine(dialog, "37% Complete");
  reporter.Style(qb::ProgressStyle::Counts);
  reporter.Total(5);
  c->seen.countsLine = WaitForLine(dialog, "0/5");
  reporter.Step(0);
  reporter.Step(7);
  c->seen.stepToLine = WaitForLine(dialog, "Progress: 7/5");

  // Only one task at a time: a second is refused with a message.
  qb::BackgroundTask second;
  qb::PrepareBackgroundTask(&second, "", Worker, nullptr);
  c->seen.secondTask = qb::RunProgressDialog(nullptr, &second);
  if (c->postFinishToo) PostMessageA(dialog, WM_COMMAND, qb::TASK_FINISH, 0);
  return 0;
}

TEST(ProgressDialogWine, AWorkerReportsThroughTheDialogWhichEndsWhenTheWorkerReturns) {
  for (bool postFinishToo : {false, true}) {
    SCOPED_TRACE(postFinishToo ? "the worker also posts TASK_FINISH" : "the dialog posts TASK_FINISH");
    qbtest::UiRecorder boxes;
    qb::BackgroundTask task;
    WorkerContext context = {&task, 0, {}, postFinishToo};
    qb::PrepareBackgroundTask(&task, postFinishToo ? "Scanning" : "", Worker, &context);
    context.openedAt = qbtest::NowMs();
    INT_PTR result = qb::RunProgressDialog(nullptr, &task);
    EXPECT_EQ(result, qb::kProgressFinished);
    EXPECT_EQ(task.workerThread, nullptr);  // waited for and closed
    EXPECT_FALSE(IsWindow(static_cast<HWND>(task.progressWindow)));
    const Observed& seen = context.seen;
    EXPECT_GE(seen.startedAfterMs, 950);
    EXPECT_LT(seen.startedAfterMs, 3000);
    EXPECT_EQ(seen.caption, postFinishToo ? "Scanning" : "Download");
    EXPECT_EQ(seen.status, "Reading stored results");
    EXPECT_EQ(seen.percentLine, "37% Complete");
    EXPECT_EQ(seen.countsLine, "0/5");
    EXPECT_EQ(seen.stepToLine, "Progress: 7/5");
    EXPECT_EQ(seen.secondTask, qb::kProgressBusy);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, qb::kTaskBusyText);
    EXPECT_FALSE(qb::BackgroundTaskRunning());
  }
}

}  // namespace
#endif
