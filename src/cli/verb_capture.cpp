// quillbox-cli capture: the instrument's screen downloaded by the screen
// capture's job and written as the Screen Capture dialog saves it, a BMP.
#include "cli/cli_front.h"
#include "common/background_task.h"
#include "stores/bmp_writer.h"
#include "stores/screen_capture.h"
#include "stores/screen_image.h"

namespace qb {
namespace cli {

namespace {

int Capture(CliConsole& console, const LinkOptions& options, const std::string& path, bool colour) {
  Session session(console, options);
  if (int code = session.Open()) return code;
  auto image = std::make_unique<ScreenImage>();
  CaptureJob job;
  BeginScreenCapture(job, &MainLink, image.get(), colour, "");
  ConsoleReporter reporter(console);
  CaptureOutcome outcome = DownloadScreen(job, [&reporter](CaptureJob& running) {
    RunCaptureJob(running, reporter);
    return kProgressFinished;
  });
  ReportCaptureOutcome(outcome, nullptr);  // the box's text goes to standard error
  if (outcome != CaptureOutcome::Captured) return kCliFailed;
  std::vector<unsigned char> rows(static_cast<size_t>(image->width) * static_cast<size_t>(image->height) * 3);
  ScreenImageToBottomUpBgr(*image, rows.data());
  if (!WriteBmpFile(path.c_str(), rows.data(), image->width, image->height)) {
    return Fail(console, "Unable to write " + path);
  }
  console.out << path << '\n';
  return kCliSuccess;
}

class CaptureVerb final : public CliVerb {
 public:
  CLI::App* Add(CLI::App& app) override {
    CLI::App* verb = app.add_subcommand("capture", "download the instrument's screen into a BMP file");
    AddLinkOptions(*verb, link_);
    verb->add_flag("--colour,--color", colour_, "a colour capture (default black and white)");
    verb->add_option("file", path_, "the BMP file to write")->required();
    return verb;
  }
  int Run(CliConsole& console) override { return Capture(console, link_, path_, colour_); }

 private:
  LinkOptions link_;
  std::string path_;
  bool colour_ = false;
};

}  // namespace

std::unique_ptr<CliVerb> MakeCaptureVerb() {
  return std::make_unique<CaptureVerb>();
}

}  // namespace cli
}  // namespace qb
