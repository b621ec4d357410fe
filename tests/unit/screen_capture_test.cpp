// Screen capture: the BMP writer byte by byte, the two row decoders, and the
// colour and black-and-white capture jobs against the virtual instrument over
// TCP loopback and a pseudo-terminal, with every fault its screen replies can
// carry. ImageMagick, which nobody here wrote, judges every BMP written.
#include "stores/screen_capture.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/background_task.h"
#include "common/ui_seam.h"
#include "link/instrument_link.h"
#include "stores/bmp_writer.h"
#include "stores/screen_image.h"
#include "support/job_recorder.h"
#include "support/link_harness.h"

using namespace qbtest;

namespace {

std::string AsString(const std::vector<unsigned char>& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A program's whole output (stdout and stderr).
std::string RunOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return out;
  char chunk[256];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  pclose(pipe);
  return out;
}

// ImageMagick's view of a BMP: format, size, bits per channel, channels.
std::string Identify(const std::string& path) {
  return RunOutput("identify -format '%m %w %h %z %[channels]' '" + path + "'");
}

// ImageMagick's count of differing pixels, as it prints it.
std::string DifferingPixels(const std::string& a, const std::string& b) {
  return RunOutput("compare -metric AE '" + a + "' '" + b + "' null:");
}

// ImageMagick reads each file's header (size, offset, planes, depth,
// compression, dimensions); the rows and their padding are the screen_rows
// fuzz target's.
TEST(BmpWriter, FileSizesAndHeadersAsImageMagickReadsThem) {
  const struct {
    int width, height;
    size_t fileSize, rowSize;
  } kSizes[] = {{320, 240, 230454, 960}, {512, 272, 417846, 1536}, {5, 3, 102, 16}, {1, 1, 58, 4}, {2, 2, 70, 8}};
  std::string dir = MakeScratchDir("bmp-sizes");
  for (const auto& s : kSizes) {
    std::string size = std::to_string(s.width) + " " + std::to_string(s.height);
    std::vector<unsigned char> rows(static_cast<size_t>(s.width * s.height * 3), 0x11);
    std::string file = AsString(qb::BuildBmpFile(rows.data(), s.width, s.height));
    ASSERT_EQ(file.size(), s.fileSize) << size;
    EXPECT_EQ(qb::BmpFileSize(s.width, s.height), s.fileSize);
    EXPECT_EQ(qb::BmpRowSize(s.width), s.rowSize);
    std::string path = dir + "/" + std::to_string(s.width) + ".bmp";
    ASSERT_TRUE(WriteHostFile(path, file));
    EXPECT_EQ(Identify(path), "BMP3 " + size + " 8 srgb");
  }
  // Sizes that make no picture make no file.
  unsigned char header[qb::kBmpHeaderSize];
  for (int bad : {0, -1}) {
    EXPECT_FALSE(qb::BuildBmpHeaders(bad, 10, header));
    EXPECT_FALSE(qb::BuildBmpHeaders(10, bad, header));
  }
  EXPECT_FALSE(qb::BuildBmpHeaders(0x7FFFFF, 0x7FFFFF, header));  // past 4 GB
}

TEST(BmpWriter, WritesTheSameBytesAndReportsFilesItCannotWrite) {
  std::string dir = MakeScratchDir("bmp-writer");
  std::vector<unsigned char> rows(320 * 240 * 3);
  for (size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<unsigned char>(i * 7);
  std::string path = dir + "/out.bmp";
  WriteHostFile(path, std::string(500000, 'x'));  // replaced, not overwritten in place
  ASSERT_TRUE(qb::WriteBmpFile(path.c_str(), rows.data(), 320, 240));
  EXPECT_EQ(ReadHostFile(path), AsString(qb::BuildBmpFile(rows.data(), 320, 240)));
  EXPECT_EQ(Identify(path), "BMP3 320 240 8 srgb");

  // A folder that is not there; a disk that is full (nothing of it is left
  // behind, and the device itself is not removed).
  std::string missing = dir + "/no-such-folder/out.bmp";
  EXPECT_FALSE(qb::WriteBmpFile(missing.c_str(), rows.data(), 320, 240));
  EXPECT_FALSE(HostFileExists(missing));
  EXPECT_FALSE(qb::WriteBmpFile("/dev/full", rows.data(), 320, 240));
  struct stat info;
  EXPECT_EQ(stat("/dev/full", &info), 0);
  EXPECT_FALSE(qb::WriteBmpFile("", rows.data(), 320, 240));
}

TEST(ScreenDecoders, BlackAndWhiteRowsReverseAndInvertEachByte) {
  const struct {
    const char* line;
    int width;
    std::vector<unsigned char> row;
  } kRows[] = {
      {"xx01", 8, {0x7F}},           // leftmost pixel dark, the next seven light
      {"xx80", 8, {0xFE}},           // rightmost dark
      {"xxFF", 8, {0x00}},           // all dark
      {"..00", 8, {0xFF}},           // all light
      {"MaB3c", 16, {}},             // odd digit count
      {"M:0F\n", 8, {0x0F}},         // a bare line feed left by the transport
      {"M:0f\r\n", 8, {0x0F}},       // lower case, CR LF
      {"M:A5a5", 16, {0x5A, 0x5A}},  // mixed case
      {"M:0", 8, {}},                // short
      {"M:", 8, {}},                 // no pixels at all
      {"M:0000", 8, {}},             // long
      {"M:0G", 8, {}},               // not hexadecimal
      {"M: 1", 8, {}},               // a blank is not a digit
      {"M:+1", 8, {}},               // nor a sign
  };
  for (const auto& r : kRows) {
    std::vector<unsigned char> row(4, 0x55);
    bool ok = qb::DecodeMonoRow(r.line, static_cast<int>(strlen(r.line)), r.width, row.data());
    EXPECT_EQ(ok, !r.row.empty()) << r.line;
    if (ok) {
      EXPECT_EQ(std::vector<unsigned char>(row.begin(), row.begin() + static_cast<long>(r.row.size())), r.row)
          << r.line;
    } else {
      EXPECT_EQ(row, std::vector<unsigned char>(4, 0x55)) << r.line << ": written although refused";
    }
  }
  // A zero byte inside the text is not a digit either.
  unsigned char row[2] = {0x55, 0x55};
  EXPECT_FALSE(qb::DecodeMonoRow("M:0\0", 4, 8, row));
  EXPECT_EQ(row[0], 0x55);
}

TEST(ScreenDecoders, ColourPixelsAndLinesOfTheWrongLength) {
  const struct {
    unsigned char pixel;
    unsigned char blue, green, red;
  } kPixels[] = {{0x30, 0, 0, 255}, {0x15, 64, 64, 64}, {0xFF, 255, 255, 255}, {0x2A, 128, 128, 128},
                 {0x00, 0, 0, 0},   {0x40, 0, 0, 0},    {0x7F, 255, 255, 255}, {0x01, 64, 0, 0},
                 {0x0C, 0, 255, 0}, {0x46, 128, 64, 0}};
  for (const auto& p : kPixels) {
    unsigned char bgr[3];
    qb::ColourPixelToBgr(p.pixel, bgr);
    EXPECT_EQ(bgr[0], p.blue) << int(p.pixel);
    EXPECT_EQ(bgr[1], p.green) << int(p.pixel);
    EXPECT_EQ(bgr[2], p.red) << int(p.pixel);
  }
  const struct {
    std::string line;
    bool ok;
  } kLines[] = {
      {std::string("C:\x70\x71\x72\x73", 6), true},
      {std::string("C:\x70\x00\x72\x73", 6), true},  // a zero byte is a black pixel, not an end
      {std::string("C:\x70\x71\x72\x73\r\n", 8), true},
      {std::string("C:\x70\x71\x72", 5), false},
      {std::string("C:\x70\x71\x72\x73\x74", 7), false},
      {std::string("C:", 2), false},
      {std::string(""), false},
  };
  for (const auto& l : kLines) {
    unsigned char pixels[5] = {9, 9, 9, 9, 9};
    bool ok = qb::DecodeColourLine(l.line.data(), static_cast<int>(l.line.size()), 4, pixels);
    EXPECT_EQ(ok, l.ok) << l.line.size();
    if (ok) {
      EXPECT_EQ(0, memcmp(pixels, l.line.data() + 2, 4));
    }
    EXPECT_EQ(pixels[4], 9) << "written past the row";
    if (!ok) {
      EXPECT_EQ(pixels[0], 9) << "written although refused";
    }
  }
}

TEST(ScreenDecoders, ScreenSizeFollowsTheConnectedFamily) {
  const struct {
    bool connected;
    int family, width, height;
  } kCases[] = {{true, 1, 512, 272}, {true, 5, 512, 272}, {true, 2, 320, 240},
                {true, 8, 320, 240}, {true, 0, 320, 240}, {false, 1, 320, 240}};
  for (const auto& c : kCases) {
    qb::InstrumentLink link = qb::MakeClosedLink();
    link.ConnectedFlag = c.connected;
    link.family = c.family;
    int width = 0, height = 0;
    qb::ScreenSizeFor(link, &width, &height);
    EXPECT_EQ(width, c.width) << c.family << c.connected;
    EXPECT_EQ(height, c.height) << c.family << c.connected;
  }
}

TEST(ScreenDecoders, TheImageSitsWhereTheDialogPaintsIt) {
  const struct {
    int width, height;
    qb::PixelRect rect;
  } kCases[] = {{320, 240, {290, 35, 610, 275}}, {512, 272, {194, 19, 706, 291}}, {501, 231, {200, 40, 701, 271}}};
  for (const auto& c : kCases) {
    qb::PixelRect r = qb::CaptureImageRect(c.width, c.height);
    EXPECT_EQ(r.left, c.rect.left) << c.width;
    EXPECT_EQ(r.top, c.rect.top) << c.width;
    EXPECT_EQ(r.right, c.rect.right) << c.width;
    EXPECT_EQ(r.bottom, c.rect.bottom) << c.width;
  }
}

struct Capture {
  qb::CaptureOutcome outcome;
  long long ms;
  RecordingReporter reporter;
};

class ScreenCaptureJobs : public OverBothTransports {
 protected:
  // Starts the instrument with a screen of width x height (and more
  // options), which also writes the BMPs a capture should give.
  void Start(int width, int height, std::vector<std::string> args = {}) {
    width_ = width;
    height_ = height;
    scratch_ = MakeScratchDir("screen");
    args.insert(args.end(), {"--screen", std::to_string(width) + "x" + std::to_string(height), "--screen-bmp",
                             "colour:" + ExpectedBmp(true), "--screen-bmp", "mono:" + ExpectedBmp(false)});
    Open(args);
    link_.ConnectedFlag = true;
    link_.family = width == 512 ? 1 : 8;
  }

  std::string ExpectedBmp(bool colour) const {
    return scratch_ + (colour ? "/expected-colour.bmp" : "/expected-mono.bmp");
  }

  // A download as the dialog makes it, the job run directly.
  void Download(bool colour, Capture& capture) {
    qb::BeginScreenCapture(job_, &link_, &qb::CapturedScreen, colour, colour ? scratch_ + "/dlcap.bmp" : "");
    long long start = NowMs();
    capture.outcome = qb::DownloadScreen(job_, [&](qb::CaptureJob& job) {
      qb::RunCaptureJob(job, capture.reporter);
      return qb::kProgressFinished;
    });
    capture.ms = NowMs() - start;
  }

  // The capture as the dialog saves it.
  std::string Save(const std::string& name) {
    const qb::ScreenImage& image = qb::CapturedScreen;
    std::vector<unsigned char> rows(static_cast<size_t>(image.width * image.height * 3));
    qb::ScreenImageToBottomUpBgr(image, rows.data());
    std::string path = scratch_ + "/" + name;
    EXPECT_TRUE(qb::WriteBmpFile(path.c_str(), rows.data(), image.width, image.height));
    return path;
  }

  // What the instrument received, without the zero byte that follows each
  // command over TCP. The simulator takes in nothing while it is still
  // writing a screen nobody reads (a pseudo-terminal holds little), so what
  // it still sends is read away first.
  std::string Received(size_t count) {
    std::string bytes;
    WaitFor(
        [&] {
          qb::Drain(&link_, 0);
          bytes = TranscriptBytes(sim_.Transcript(), "in", Lan() ? "tcp" : "pty");
          bytes.erase(std::remove(bytes.begin(), bytes.end(), '\0'), bytes.end());
          return bytes.size() >= count;
        },
        5000);
    return bytes;
  }

  qb::CaptureJob job_;
  std::string scratch_;
  int width_ = 0, height_ = 0;
};

TEST_P(ScreenCaptureJobs, ColourAndBlackAndWhiteOfBothSizesMatchTheInstrumentsImage) {
  for (int wide = 0; wide < 2; ++wide) {
    SCOPED_TRACE(wide ? "512 x 272" : "320 x 240");
    if (wide) {
      TearDown();
      sim_.Stop();
    }
    Start(wide ? 512 : 320, wide ? 272 : 240);
    std::string expectedSent;
    for (bool colour : {true, false}) {
      SCOPED_TRACE(colour ? "colour" : "black and white");
      Capture capture;
      Download(colour, capture);
      ASSERT_EQ(capture.outcome, qb::CaptureOutcome::Captured) << job_.linesRead;
      const int lines = colour ? 4 * height_ : height_;
      EXPECT_TRUE(qb::CapturedScreen.ready);
      EXPECT_EQ(qb::CapturedScreen.colour, colour);
      EXPECT_EQ(qb::CapturedScreen.width, width_);
      EXPECT_EQ(qb::CapturedScreen.height, height_);
      EXPECT_EQ(job_.linesRead, lines);
      EXPECT_EQ(capture.reporter.statuses, std::vector<std::string>{"Downloading Screenshot..."});
      EXPECT_EQ(capture.reporter.styles, std::vector<qb::ProgressStyle>{qb::ProgressStyle::Percent});
      EXPECT_EQ(capture.reporter.totals, std::vector<int>{lines});
      EXPECT_EQ(capture.reporter.steps, std::vector<int>(static_cast<size_t>(lines), 0));
      // The 100 ms reply time-out is never waited out between lines.
      EXPECT_LT(capture.ms, 5000);

      std::string saved = Save(colour ? "colour.bmp" : "mono.bmp");
      std::string size = std::to_string(width_) + " " + std::to_string(height_);
      EXPECT_EQ(Identify(saved), "BMP3 " + size + " 8 srgb");
      EXPECT_EQ(DifferingPixels(saved, ExpectedBmp(colour)), "0");
      EXPECT_EQ(ReadHostFile(saved), ReadHostFile(ExpectedBmp(colour)));
      if (colour) {
        EXPECT_EQ(ReadHostFile(scratch_ + "/dlcap.bmp"), ReadHostFile(ExpectedBmp(true)));
      }
      expectedSent += std::string("SUSPEND,ON\n") + (colour ? "SCREEN,COLOUR?\n" : "SCREEN?\n") + "SUSPEND,OFF\n";
    }
    EXPECT_EQ(Received(expectedSent.size()), expectedSent);
  }
}

TEST_P(ScreenCaptureJobs, EveryFaultEndsOnTheCommsErrorPathInTimeWithSuspendOff) {
  const struct {
    const char* fault;
    bool colour;
    qb::CaptureOutcome outcome;
    int linesRead;
  } kFaults[] = {
      // Silence and an empty line, then a bad row at the first, a middle and
      // the last line of each kind (the rows' own faults are the decoders').
      {"silence@100", true, qb::CaptureOutcome::NoLine, 100}, {"empty@6", false, qb::CaptureOutcome::NoLine, 6},
      {"short@0", false, qb::CaptureOutcome::BadRow, 0},      {"long@7", true, qb::CaptureOutcome::BadRow, 7},
      {"long@239", false, qb::CaptureOutcome::BadRow, 239},   {"cr@959", true, qb::CaptureOutcome::BadRow, 959},
      {"lf@9", true, qb::CaptureOutcome::BadRow, 9},  // a line feed inside a colour line
  };
  for (const auto& f : kFaults) {
    SCOPED_TRACE(f.fault);
    TearDown();
    sim_.Stop();
    Start(320, 240, {"--screen-fault", f.fault});
    UiRecorder boxes;
    Capture capture;
    Download(f.colour, capture);
    EXPECT_EQ(capture.outcome, f.outcome);
    EXPECT_EQ(job_.linesRead, f.linesRead);
    EXPECT_EQ(capture.reporter.steps, std::vector<int>(static_cast<size_t>(f.linesRead), 0));
    EXPECT_FALSE(qb::CapturedScreen.ready);
    // No hang: the reads stop at the first bad line, or one time-out after
    // the instrument fell silent.
    EXPECT_LT(capture.ms, 2500);
    EXPECT_TRUE(qb::ReportCaptureOutcome(capture.outcome, nullptr));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "A Comms error has occured, Disconnected from instrument");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Comms Error");
    EXPECT_EQ(boxes.Boxes()[0].flags, qb::kMbIconExclamation);
    std::string query = f.colour ? "SCREEN,COLOUR?\n" : "SCREEN?\n";
    std::string sent = "SUSPEND,ON\n" + query + "SUSPEND,OFF\n";
    EXPECT_EQ(Received(sent.size()), sent);
  }
}

TEST_P(ScreenCaptureJobs, AZeroPixelByteIsABlackPixelNotTheEndOfTheRow) {
  // Line 11 of 960 carries pixels 880 to 959: its middle byte (pixel 920,
  // row 2, column 280) arrives as 0x00.
  Start(320, 240, {"--screen-fault", "zero@11"});
  Capture capture;
  Download(true, capture);
  ASSERT_EQ(capture.outcome, qb::CaptureOutcome::Captured);
  std::string saved = Save("zero.bmp");
  EXPECT_EQ(DifferingPixels(saved, ExpectedBmp(true)), "1");
  std::string file = ReadHostFile(saved);
  size_t at = 54 + static_cast<size_t>(239 - 2) * 960 + 280 * 3;
  EXPECT_EQ(file.substr(at, 3), std::string(3, '\0'));
}

TEST_P(ScreenCaptureJobs, NothingRunsWhileAnotherTaskHoldsTheLinkAndAFailedStartIsReported) {
  Start(320, 240);
  {
    UiRecorder boxes;
    ASSERT_TRUE(qb::TryClaimBackgroundTask());
    Capture capture;
    bool ran = false;
    qb::BeginScreenCapture(job_, &link_, &qb::CapturedScreen, true, "");
    capture.outcome = qb::DownloadScreen(job_, [&](qb::CaptureJob&) {
      ran = true;
      return qb::kProgressFinished;
    });
    qb::ReleaseBackgroundTask();
    EXPECT_EQ(capture.outcome, qb::CaptureOutcome::Busy);
    EXPECT_FALSE(ran);
    EXPECT_FALSE(qb::ReportCaptureOutcome(capture.outcome, nullptr));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, qb::kTaskBusyText);
  }
  for (int result : {qb::kProgressNotShown, qb::kProgressNoWorker}) {
    UiRecorder boxes;
    qb::BeginScreenCapture(job_, &link_, &qb::CapturedScreen, true, "");
    qb::CaptureOutcome outcome = qb::DownloadScreen(job_, [&](qb::CaptureJob&) { return result; });
    EXPECT_EQ(outcome, qb::CaptureOutcome::NotShown);
    EXPECT_FALSE(qb::CapturedScreen.ready);
    EXPECT_FALSE(qb::ReportCaptureOutcome(outcome, nullptr));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Failed to capture screen data");
    EXPECT_EQ(boxes.Boxes()[0].caption, "Error");
    EXPECT_EQ(boxes.Boxes()[0].flags, qb::kMbIconInformation);
  }
  // Only the two failed starts reached the instrument, each wrapped in SUSPEND.
  std::string sent = "SUSPEND,ON\nSUSPEND,OFF\nSUSPEND,ON\nSUSPEND,OFF\n";
  EXPECT_EQ(Received(sent.size()), sent);
}

QB_OVER_BOTH_TRANSPORTS(ScreenCaptureJobs);

}  // namespace
