// A long job that runs on a worker thread behind the progress dialog. A
// feature owns one BackgroundTask record, prepares it with
// PrepareBackgroundTask and hands it to RunProgressDialog
// (progress_dialog_win.h); the dialog starts the worker one second after it
// opens and ends when the worker has finished.
//
// The worker talks to the dialog only through WM_COMMAND messages to the
// task's progress window, with one of the TASK_* numbers below as the whole
// of wParam and the value in lParam. TaskReporter (progress_dialog_win.h)
// sends and posts them for a job that reports through a JobReporter.
#pragma once

#include <atomic>
#include <cstdint>

namespace qb {

// Commands to the progress dialog.
enum TaskCommand : int {
  TASK_STEP = 32778,          // lParam 0: one more; else the count becomes lParam
  TASK_START = 32779,         // the dialog's own timer starts the worker
  TASK_PERCENT_MODE = 32780,  // lParam != 0: show a percentage
  TASK_SET_TOTAL = 32781,     // lParam: the total; the count goes back to 0
  TASK_FINISH = 32782,        // the worker has finished (always posted, never sent)
  TASK_STATUS_TEXT = 32785,   // lParam: zero-terminated status text
  TASK_TIME_MODE = 32786,     // lParam != 0: show the estimated time remaining
};

// The job: runs on the worker thread with the task's argument. Its return
// value is ignored.
using WorkerEntry = unsigned (*)(void* argument);

constexpr int kTaskTitleSize = 128;

struct BackgroundTask {
  char title[kTaskTitleSize];  // caption of the dialog; "" keeps "Download"
  void* progressWindow;        // HWND, written by the dialog when it opens
  void* workerThread;          // HANDLE, written when the worker starts
  void* argument;              // passed unchanged to entry; owned by the feature
  WorkerEntry entry;
  // Null: the dialog has no buttons. Otherwise it shows Stop, which sets the
  // flag (the job looks at it between its steps) and then waits for the job.
  std::atomic<bool>* stopRequest;
};

// What RunProgressDialog returns.
constexpr int kProgressFinished = 0;   // the worker ran and finished
constexpr int kProgressNotShown = -1;  // the dialog could not be created
constexpr int kProgressNoWorker = 1;   // the worker thread could not be created; the dialog ended
constexpr int kProgressBusy = 2;       // another background task is running; the user was told

// Clears the record whole (no Stop button) and fills in the title (cut to
// fit), the entry and its argument.
void PrepareBackgroundTask(BackgroundTask* task, const char* title, WorkerEntry entry, void* argument);

// Only one background task runs at a time: the progress dialog claims the
// right to run before it opens and releases it when it ends. TryClaim is
// false while another task holds it.
bool TryClaimBackgroundTask();
void ReleaseBackgroundTask();
bool BackgroundTaskRunning();

// What the user is told when a second background task is asked for while
// one runs.
extern const char kTaskBusyText[];

}  // namespace qb
