// Preparing a background task record and the one-task-at-a-time claim; see
// background_task.h.
#include "common/background_task.h"

#include <atomic>
#include <cstdio>
#include <cstring>

namespace qb {

const char kTaskBusyText[] = "Another download is still running.\n\nPlease wait for it to finish and try again.";

namespace {
std::atomic<bool> TaskClaimed{false};
}  // namespace

void PrepareBackgroundTask(BackgroundTask* task, const char* title, WorkerEntry entry, void* argument) {
  if (!task) return;
  memset(task, 0, sizeof *task);
  snprintf(task->title, sizeof task->title, "%s", title ? title : "");
  task->entry = entry;
  task->argument = argument;
}

bool TryClaimBackgroundTask() {
  bool expected = false;
  return TaskClaimed.compare_exchange_strong(expected, true);
}

void ReleaseBackgroundTask() {
  TaskClaimed.store(false);
}

bool BackgroundTaskRunning() {
  return TaskClaimed.load();
}

}  // namespace qb
