// The progress dialog (resource 156, caption "Download") that runs a
// BackgroundTask, and the reporter a job uses to talk to it.
#pragma once

#include <windows.h>

#include <string>

#include "common/background_task.h"
#include "common/job_reporter.h"

namespace qb {

// Opens the modal progress dialog owned by owner with the task; one second
// later the task's entry runs on a worker thread with its argument. Returns
// when the worker has finished: kProgressFinished; kProgressNotShown when
// the dialog could not be created, kProgressNoWorker when the worker thread
// could not be created (the dialog ends at once; the caller tells the user),
// kProgressBusy when another background task is running (a message box has
// said so; nothing ran).
//
// The dialog posts TASK_FINISH to itself when the entry returns, so an entry
// need not post it; one that does (as its last message) does no harm.
INT_PTR RunProgressDialog(HWND owner, BackgroundTask* task);

// A JobReporter for a job running as a task's worker: status texts are sent
// (the dialog has shown them when Status returns, so the text may live on
// the worker's stack), the display style, the total and the steps are posted.
// Log and Percent are not shown by this dialog.
class TaskReporter final : public JobReporter {
 public:
  explicit TaskReporter(const BackgroundTask* task) : task_(task) {}
  void Status(const std::string& text) override;
  void Style(ProgressStyle style) override;
  void Total(int total) override;
  void Step(int count) override;

 private:
  HWND Window() const;
  const BackgroundTask* task_;
};

}  // namespace qb
