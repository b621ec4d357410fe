// Time of the store transfers against the virtual instrument, beside their
// limit: a results download as text (10 and 100 results, to see that the
// cost grows linearly) and a 16-block program download and upload, over TCP
// loopback and over a pseudo-terminal with the instrument pacing its side at
// 115200 baud. The limit is the wire time of every byte that crossed (10
// bits a byte, serial only) plus the waits the protocol itself makes: the
// 100 ms read time-out that ends each file, and the 100 ms drain after an
// upload.
//
//   quillbox-stores-bench
//
// Prints one line per case and a verdict per goal (at most 1.1 x the limit;
// 10 x the results in at most 11 x the time).
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "common/job_reporter.h"
#include "link/instrument_link.h"
#include "link/tcp.h"
#include "stores/store_exchange.h"
#include "support/host.h"
#include "support/link_harness.h"

namespace {

constexpr int kBaud = 115200;
constexpr double kFileEndWaitS = 0.1;

class QuietReporter final : public qb::JobReporter {
 public:
  void Status(const std::string&) override {}
};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

size_t WireBytes(const qbtest::SimProcess& sim) {
  size_t bytes = 0;
  for (const auto& record : sim.Transcript()) {
    if (record.dir != "note") bytes += record.bytes.size();
  }
  return bytes;
}

struct Run {
  std::string label;
  double seconds = 0, limit = 0;
};

bool Start(bool serial, qbtest::SimProcess& sim, qb::InstrumentLink& link, const std::vector<std::string>& args) {
  std::string error;
  bool started =
      serial ? qbtest::StartSerialSim(sim, link, args, &error) : qbtest::StartLanSim(sim, link, args, &error);
  if (!started || qb::LinkControl(qb::LINK_OPEN, &link) != 0) {
    fprintf(stderr, "stores-bench: cannot start the instrument: %s\n", error.c_str());
    return false;
  }
  link.ConnectedFlag = true;
  link.family = qb::kFamilyZtq;
  qb::SetReadTimeout(1000, &link);
  return true;
}

void Stop(qbtest::SimProcess& sim, qb::InstrumentLink& link) {
  qb::LinkControl(qb::LINK_CLOSE, &link);
  sim.Stop();
  qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
}

double WireLimit(bool serial, size_t bytes) {
  return serial ? bytes * 10.0 / kBaud : 0.0;
}

bool ResultsDownload(bool serial, int count, Run& run) {
  qbtest::SimProcess sim;
  qb::InstrumentLink link = qb::MakeClosedLink();
  std::vector<std::string> args = {"--results", std::to_string(count)};
  if (serial) args.insert(args.end(), {"--store-baud", std::to_string(kBaud)});
  if (!Start(serial, sim, link, args)) return false;
  std::vector<qb::ResultEntry> queue(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) queue[static_cast<size_t>(i)].number = static_cast<uint32_t>(i + 1);
  std::string folder = qbtest::MakeScratchDir("stores-bench");
  QuietReporter reporter;
  size_t before = WireBytes(sim);
  auto start = std::chrono::steady_clock::now();
  qb::DownloadReport report = qb::DownloadResults(link, queue, folder, qb::ResultFileKind::Text, reporter);
  run.seconds = Seconds(start);
  Stop(sim, link);
  if (!report.complete) {
    fprintf(stderr, "stores-bench: download failed: %s\n", report.failure.c_str());
    return false;
  }
  size_t bytes = WireBytes(sim) - before;
  run.limit = WireLimit(serial, bytes) + count * kFileEndWaitS;
  run.label = std::string(serial ? "serial 115200" : "TCP loopback") + ": " + std::to_string(count) +
              " results as text (" + std::to_string(bytes) + " bytes)";
  return true;
}

bool ProgramTransfers(bool serial, Run& download, Run& upload) {
  const std::string seed = qbtest::MakeScratchDir("stores-bench-seed");
  const std::string dump = qbtest::MakeScratchDir("stores-bench-dump");
  qbtest::RunHost({"/bin/mkdir", "-p", seed + "/programs"});
  std::string program;
  for (int i = 0; i < 1024; ++i) program += static_cast<char>('A' + i % 26);
  qbtest::WriteHostFile(seed + "/programs.txt", "1,Bench,2026-12-06\n");
  qbtest::WriteHostFile(seed + "/programs/001.QZL", program);
  qbtest::SimProcess sim;
  qb::InstrumentLink link = qb::MakeClosedLink();
  std::vector<std::string> args = {"--stores", seed, "--stores-dump", dump};
  if (serial) args.insert(args.end(), {"--store-baud", std::to_string(kBaud)});
  if (!Start(serial, sim, link, args)) return false;
  const std::string path = qbtest::MakeScratchDir("stores-bench-out") + "/prog.QZL";

  size_t before = WireBytes(sim);
  auto start = std::chrono::steady_clock::now();
  qb::TransferResult got = qb::DownloadProgram(link, 1, path);
  download.seconds = Seconds(start);
  size_t bytes = WireBytes(sim) - before;
  download.limit = WireLimit(serial, bytes) + kFileEndWaitS;
  download.label = std::string(serial ? "serial 115200" : "TCP loopback") + ": 16-block program download (" +
                   std::to_string(bytes) + " bytes)";

  // The upload ends when the instrument has stored the program.
  before = WireBytes(sim);
  start = std::chrono::steady_clock::now();
  qb::TransferResult sent = qb::UploadProgram(link, 2, path);
  qbtest::WaitFor([&] { return qbtest::ReadHostFile(dump + "/programs/002.QZL") == program; }, 10000);
  upload.seconds = Seconds(start);
  bool stored = qbtest::ReadHostFile(dump + "/programs/002.QZL") == program;
  Stop(sim, link);
  bytes = WireBytes(sim) - before;
  upload.limit = WireLimit(serial, bytes) + kFileEndWaitS;
  upload.label = std::string(serial ? "serial 115200" : "TCP loopback") + ": 16-block program upload (" +
                 std::to_string(bytes) + " bytes)";
  if (got.outcome != qb::TransferOutcome::Done || sent.outcome != qb::TransferOutcome::Done || !stored) {
    fprintf(stderr, "stores-bench: program transfer failed\n");
    return false;
  }
  return true;
}

bool Report(const Run& run) {
  double ratio = run.seconds / run.limit;
  printf("%-58s %8.3f s  limit %8.3f s  ratio %.3f  %s\n", run.label.c_str(), run.seconds, run.limit, ratio,
         ratio <= 1.1 ? "ok" : "OVER");
  return ratio <= 1.1;
}

}  // namespace

int main() {
  bool ok = true;
  for (bool serial : {false, true}) {
    Run small, large, download, upload;
    if (!ResultsDownload(serial, 10, small) || !ResultsDownload(serial, 100, large) ||
        !ProgramTransfers(serial, download, upload))
      return 1;
    ok = Report(small) && ok;
    ok = Report(large) && ok;
    double growth = large.seconds / small.seconds;
    printf("%-58s %8.2f x  (goal at most 11 x)  %s\n",
           (std::string(serial ? "serial 115200" : "TCP loopback") + ": 100 results / 10 results").c_str(), growth,
           growth <= 11 ? "ok" : "OVER");
    ok = ok && growth <= 11;
    ok = Report(download) && ok;
    ok = Report(upload) && ok;
  }
  return ok ? 0 : 1;
}
