// Downloading the instrument's screen: the colour and black-and-white capture
// jobs over the link, the download around them ("SUSPEND,ON" before,
// "SUSPEND,OFF" after, whatever happened) and what the user is told. The
// Screen Capture dialog (screen_capture_win.cpp) runs the job behind the
// progress dialog; tests run it directly with a recording reporter.
#pragma once

#include <functional>
#include <string>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "stores/screen_image.h"

namespace qb {

enum class CaptureOutcome {
  Captured,  // every row arrived and decoded
  NoLine,    // a read delivered no line (time-out, silence) or an empty one
  BadRow,    // a row of the wrong length or, in black and white, not hexadecimal
  NotShown,  // the progress dialog or its worker could not be started
  Busy,      // another background task was running; nothing was sent or run
};

constexpr int kCaptureReadTimeoutMs = 100;
constexpr int kMonoLineLimit = 256;
constexpr int kColourLineLimit = 512;

extern const char kCaptureStatusText[];     // "Downloading Screenshot..."
extern const char kCommsErrorText[];        // the comms error box
extern const char kCommsErrorCaption[];     // "Comms Error"
extern const char kCaptureFailedText[];     // "Failed to capture screen data"
extern const char kCaptureFailedCaption[];  // "Error"

// One capture: what the job works on and what it found. The dialog owns one
// for the life of the program.
struct CaptureJob {
  InstrumentLink* link;
  ScreenImage* image;
  bool colour;
  std::string temporaryBmp;  // the colour capture is also written here ("" none)
  CaptureOutcome outcome;    // written by the job
  int linesRead;             // rows decoded before the job ended
};

// Sets the job up and clears the image whole, with the screen size of the
// link as it is now and the colour flag; the image is not ready.
void BeginScreenCapture(CaptureJob& job, InstrumentLink* link, ScreenImage* image, bool colour,
                        const std::string& temporaryBmp);

// The jobs, on the worker thread: status text, reply time-out 100 ms, the
// screen query, percent mode with the number of lines as the total, then one
// step per line read and decoded. They fill job.outcome and job.linesRead and
// leave the ready flag to the download (on the user-interface thread).
void CaptureColourScreen(CaptureJob& job, JobReporter& reporter);
void CaptureMonoScreen(CaptureJob& job, JobReporter& reporter);
// The colour or the black-and-white job, as job.colour says.
void RunCaptureJob(CaptureJob& job, JobReporter& reporter);

// The download as the dialog runs it (nothing at all while another
// background task runs): "SUSPEND,ON\n"; runJob, which runs the
// job (behind the progress dialog) and returns the progress dialog's result
// (kProgress*); "SUSPEND,OFF\n", also after a failure; the image is marked
// ready when the capture completed. Returns the outcome.
CaptureOutcome DownloadScreen(CaptureJob& job, const std::function<int(CaptureJob&)>& runJob);

// Tells the user what went wrong, if anything, in a box owned by owner (the
// Screen Capture dialog, so nothing else in it can be pressed meanwhile): the
// comms error for a failed exchange, "Failed to capture screen data" when
// nothing could run (the busy case has been told already). True when the
// connection must be dropped (the comms error path).
bool ReportCaptureOutcome(CaptureOutcome outcome, void* owner);

}  // namespace qb
