// The progress dialog: a marquee bar, a status line and a progress line. It
// starts the task's worker one second after it opens, shows what the worker
// reports through TASK_* commands, and ends when the worker has finished.
// It has no buttons, unless the task can be stopped: then Stop raises the
// task's stop flag and the dialog waits for the job to end. Escape and close
// requests are ignored. What the progress line reads is decided by
// progress_text.h.
#include "common/progress_dialog_win.h"

#include <commctrl.h>

#include "common/duration_text.h"
#include "common/front_end.h"
#include "common/progress_text.h"
#include "common/timer_service.h"
#include "common/ui_seam.h"
#include "resources/resource.h"

namespace qb {

namespace {

constexpr UINT kStartDelayMs = 1000;
constexpr UINT kMarqueeStepMs = 30;
const char kStoppingText[] = "Stopping...";

// Only one progress dialog exists at a time; its state lives on the
// user-interface thread. The modes carry over from one dialog to the next.
ProgressDisplay Display = {};
BackgroundTask* CurrentTask = nullptr;

DWORD WINAPI RunWorker(LPVOID param) {
  auto* task = static_cast<BackgroundTask*>(param);
  if (task->entry) task->entry(task->argument);
  PostMessageA(static_cast<HWND>(task->progressWindow), WM_COMMAND, TASK_FINISH, 0);
  return 0;
}

void ShowLine(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextA(dialog, id, text.c_str());
}

void OnInit(HWND dialog, BackgroundTask* task) {
  SetDlgItemTextA(dialog, IDC_PROGRESS_STATUS, "Setting up");
  CurrentTask = task;
  if (task->title[0]) SetWindowTextA(dialog, task->title);
  task->progressWindow = dialog;
  task->workerThread = nullptr;
  HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
  SetWindowLongPtrA(bar, GWL_STYLE, GetWindowLongPtrA(bar, GWL_STYLE) | PBS_MARQUEE);
  SendMessageA(bar, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
  // Without the timer service the worker starts at once rather than never.
  if (AddTimer(kStartDelayMs, dialog, TASK_START, true) == 0) PostMessageA(dialog, WM_COMMAND, TASK_START, 0);
}

void StartWorker(HWND dialog) {
  BackgroundTask* task = CurrentTask;
  if (!task || task->workerThread) return;
  HANDLE thread = CreateThread(nullptr, 0, RunWorker, task, 0, nullptr);
  if (!thread) {
    // Nothing would ever post TASK_FINISH: end now and let the caller say so.
    EndDialog(dialog, kProgressNoWorker);
    return;
  }
  task->workerThread = thread;
  Display.startMs = MillisecondClock();
}

void Finish(HWND dialog) {
  BackgroundTask* task = CurrentTask;
  // A second TASK_FINISH (an entry that posts its own) finds no thread.
  if (!task || !task->workerThread) return;
  HANDLE thread = static_cast<HANDLE>(task->workerThread);
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  task->workerThread = nullptr;
  EndDialog(dialog, kProgressFinished);
}

void OnTaskCommand(HWND dialog, WPARAM command, LPARAM value) {
  switch (command) {
    case TASK_STEP:
      ShowLine(dialog, IDC_PROGRESS_LINE, ProgressStep(Display, value, MillisecondClock()));
      break;
    case TASK_START:
      StartWorker(dialog);
      break;
    case TASK_PERCENT_MODE:
      SetPercentMode(Display, value != 0);
      break;
    case TASK_SET_TOTAL:
      ShowLine(dialog, IDC_PROGRESS_LINE, ProgressSetTotal(Display, static_cast<int32_t>(value)));
      break;
    case TASK_FINISH:
      Finish(dialog);
      break;
    case TASK_STATUS_TEXT:
      if (value) SetDlgItemTextA(dialog, IDC_PROGRESS_STATUS, reinterpret_cast<const char*>(value));
      break;
    case TASK_TIME_MODE:
      SetTimeMode(Display, value != 0);
      break;
    case IDC_PROGRESS_STOP:
      if (CurrentTask && CurrentTask->stopRequest) {
        CurrentTask->stopRequest->store(true);
        EnableWindow(GetDlgItem(dialog, IDC_PROGRESS_STOP), FALSE);
        SetDlgItemTextA(dialog, IDC_PROGRESS_STATUS, kStoppingText);
      }
      break;
    default:
      break;  // Escape's IDCANCEL among them
  }
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      OnInit(dialog, reinterpret_cast<BackgroundTask*>(lParam));
      return TRUE;
    case WM_COMMAND:
      OnTaskCommand(dialog, wParam, lParam);
      return TRUE;
    case WM_CLOSE:
      return TRUE;
    case WM_DESTROY:
      CurrentTask = nullptr;
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunProgressDialog(HWND owner, BackgroundTask* task) {
  if (!task) return kProgressNotShown;
  if (!TryClaimBackgroundTask()) {
    ShowMessageBox(owner, kTaskBusyText, "Vantor", kMbIconExclamation);
    return kProgressBusy;
  }
  HINSTANCE instance = static_cast<HINSTANCE>(DialogInstance());
  if (!instance) instance = GetModuleHandleA(nullptr);
  const int resource = task->stopRequest ? IDD_PROGRESS_STOP : IDD_PROGRESS;
  INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(resource), owner, ProgressDialogProc,
                                   reinterpret_cast<LPARAM>(task));
  if (result == -1) result = kProgressNotShown;
  ReleaseBackgroundTask();
  return result;
}

HWND TaskReporter::Window() const {
  return task_ ? static_cast<HWND>(task_->progressWindow) : nullptr;
}

void TaskReporter::Status(const std::string& text) {
  SendMessageA(Window(), WM_COMMAND, TASK_STATUS_TEXT, reinterpret_cast<LPARAM>(text.c_str()));
}

void TaskReporter::Style(ProgressStyle style) {
  PostMessageA(Window(), WM_COMMAND, TASK_PERCENT_MODE, style == ProgressStyle::Percent);
  PostMessageA(Window(), WM_COMMAND, TASK_TIME_MODE, style == ProgressStyle::TimeRemaining);
}

void TaskReporter::Total(int total) {
  PostMessageA(Window(), WM_COMMAND, TASK_SET_TOTAL, total);
}

void TaskReporter::Step(int count) {
  PostMessageA(Window(), WM_COMMAND, TASK_STEP, count);
}

}  // namespace qb
