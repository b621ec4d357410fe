// The screen capture jobs and the download around them; see
// screen_capture.h.
#include "stores/screen_capture.h"

#include <cstring>
#include <vector>

#include "common/background_task.h"
#include "common/ui_seam.h"
#include "stores/bmp_writer.h"

namespace qb {

const char kCaptureStatusText[] = "Downloading Screenshot...";
const char kCommsErrorText[] = "A Comms error has occured, Disconnected from instrument";
const char kCommsErrorCaption[] = "Comms Error";
const char kCaptureFailedText[] = "Failed to capture screen data";
const char kCaptureFailedCaption[] = "Error";

namespace {

// Sends the query and announces the lines to come.
void StartJob(CaptureJob& job, JobReporter& reporter, const char* query, int lines) {
  reporter.Status(kCaptureStatusText);
  job.linesRead = 0;
  job.outcome = CaptureOutcome::NoLine;
  SetReadTimeout(kCaptureReadTimeoutMs, job.link);
  SendCommand(query, job.link);
  reporter.Style(ProgressStyle::Percent);
  reporter.Total(lines);
}

}  // namespace

void BeginScreenCapture(CaptureJob& job, InstrumentLink* link, ScreenImage* image, bool colour,
                        const std::string& temporaryBmp) {
  job.link = link;
  job.image = image;
  job.colour = colour;
  job.temporaryBmp = temporaryBmp;
  job.outcome = CaptureOutcome::NoLine;
  job.linesRead = 0;
  memset(image, 0, sizeof *image);
  ScreenSizeFor(*link, &image->width, &image->height);
  image->colour = colour;
}

void CaptureColourScreen(CaptureJob& job, JobReporter& reporter) {
  ScreenImage& image = *job.image;
  const int perLine = image.width / 4, lines = 4 * image.height;
  StartJob(job, reporter, "SCREEN,COLOUR?\n", lines);
  std::vector<unsigned char> received(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  char line[kColourLineLimit];
  for (int k = 0; k < lines; ++k) {
    int length = ReadReply(line, sizeof line, job.link);
    if (length <= 0 || RowLengthWithoutLineEnd(line, length) == 0) {
      job.outcome = CaptureOutcome::NoLine;
      return;
    }
    if (!DecodeColourLine(line, length, perLine, &received[static_cast<size_t>(k) * static_cast<size_t>(perLine)])) {
      job.outcome = CaptureOutcome::BadRow;
      return;
    }
    job.linesRead = k + 1;
    reporter.Step(0);
  }
  StoreColourRows(received.data(), image.width, image.height, &image);
  // The dialog shows the capture from memory; the file is the capture's copy
  // on disk for as long as the dialog is open.
  if (!job.temporaryBmp.empty()) WriteBmpFile(job.temporaryBmp.c_str(), image.pixels, image.width, image.height);
  job.outcome = CaptureOutcome::Captured;
}

void CaptureMonoScreen(CaptureJob& job, JobReporter& reporter) {
  ScreenImage& image = *job.image;
  const size_t rowBytes = static_cast<size_t>(image.width / 8);
  StartJob(job, reporter, "SCREEN?\n", image.height);
  char line[kMonoLineLimit];
  for (int y = 0; y < image.height; ++y) {
    int length = ReadReply(line, sizeof line, job.link);
    if (length <= 0) {
      job.outcome = CaptureOutcome::NoLine;
      return;
    }
    if (!DecodeMonoRow(line, length, image.width, image.pixels + rowBytes * static_cast<size_t>(y))) {
      job.outcome = CaptureOutcome::BadRow;
      return;
    }
    job.linesRead = y + 1;
    reporter.Step(0);
  }
  job.outcome = CaptureOutcome::Captured;
}

void RunCaptureJob(CaptureJob& job, JobReporter& reporter) {
  if (job.colour) {
    CaptureColourScreen(job, reporter);
  } else {
    CaptureMonoScreen(job, reporter);
  }
}

CaptureOutcome DownloadScreen(CaptureJob& job, const std::function<int(CaptureJob&)>& runJob) {
  // Another task has the link: not a byte goes out. (The progress dialog
  // says the same when it is asked for a second task.)
  if (BackgroundTaskRunning()) {
    ShowMessageBox(nullptr, kTaskBusyText, "Vantor", kMbIconExclamation);
    job.image->ready = false;
    return job.outcome = CaptureOutcome::Busy;
  }
  SendCommand("SUSPEND,ON\n", job.link);
  int result = runJob ? runJob(job) : kProgressNotShown;
  SendCommand("SUSPEND,OFF\n", job.link);
  if (result == kProgressBusy) {
    job.outcome = CaptureOutcome::Busy;
  } else if (result != kProgressFinished) {
    job.outcome = CaptureOutcome::NotShown;
  }
  job.image->ready = job.outcome == CaptureOutcome::Captured;
  return job.outcome;
}

bool ReportCaptureOutcome(CaptureOutcome outcome, void* owner) {
  switch (outcome) {
    case CaptureOutcome::Captured:
    case CaptureOutcome::Busy:  // already told
      return false;
    case CaptureOutcome::NotShown:
      ShowMessageBox(owner, kCaptureFailedText, kCaptureFailedCaption, kMbIconInformation);
      return false;
    case CaptureOutcome::NoLine:
    case CaptureOutcome::BadRow:
      ShowMessageBox(owner, kCommsErrorText, kCommsErrorCaption, kMbIconExclamation);
      return true;
  }
  return false;
}

}  // namespace qb
