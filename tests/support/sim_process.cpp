// Runs quillbox-sim for tests; see sim_process.h.
#include "support/sim_process.h"

#include <cstdlib>
#include <cstring>

#include "support/host.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#endif

namespace qbtest {

std::string SimProgramPath() {
  const char* path = getenv("QB_SIM");
  return path && *path ? path : QB_SIM_PATH;
}

static int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::vector<TranscriptRecord> ParseTranscript(const std::string& text) {
  std::vector<TranscriptRecord> records;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) break;  // a record still being written
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    size_t s1 = line.find(' ');
    size_t s2 = s1 == std::string::npos ? s1 : line.find(' ', s1 + 1);
    size_t s3 = s2 == std::string::npos ? s2 : line.find(' ', s2 + 1);
    if (s3 == std::string::npos) continue;
    TranscriptRecord r;
    r.time = strtod(line.substr(0, s1).c_str(), nullptr);
    r.channel = line.substr(s1 + 1, s2 - s1 - 1);
    r.dir = line.substr(s2 + 1, s3 - s2 - 1);
    std::string escaped = line.substr(s3 + 1);
    for (size_t i = 0; i < escaped.size(); ++i) {
      if (escaped[i] == '\\' && i + 3 < escaped.size() && escaped[i + 1] == 'x' && HexValue(escaped[i + 2]) >= 0 &&
          HexValue(escaped[i + 3]) >= 0) {
        r.bytes.push_back(static_cast<char>(HexValue(escaped[i + 2]) * 16 + HexValue(escaped[i + 3])));
        i += 3;
      } else {
        r.bytes.push_back(escaped[i]);
      }
    }
    records.push_back(std::move(r));
  }
  return records;
}

std::string TranscriptBytes(const std::vector<TranscriptRecord>& records, const std::string& dir,
                            const std::string& channelPrefix) {
  std::string out;
  for (const auto& r : records) {
    if (r.dir == dir && r.channel.compare(0, channelPrefix.size(), channelPrefix) == 0) out += r.bytes;
  }
  return out;
}

bool SimProcess::Start(const std::vector<std::string>& args, std::string* error) {
  Stop();
  dir_ = MakeScratchDir("sim");
  if (dir_.empty()) {
    if (error) *error = "cannot make a scratch folder";
    return false;
  }
  pidfile_ = dir_ + "/sim.pid";
  transcriptPath_ = dir_ + "/transcript.txt";
  std::vector<std::string> argv = {SimProgramPath(), "--pidfile", pidfile_, "--transcript", transcriptPath_};
  argv.insert(argv.end(), args.begin(), args.end());
  process_ = std::make_unique<HostProcess>();
  if (!process_->Start(argv)) {
    if (error) *error = "cannot start " + argv[0];
    return false;
  }
  std::string content;
  bool ready = WaitFor(
      [&] {
        content = ReadHostFile(pidfile_);
        return !content.empty() || !process_->Running();
      },
      10000);
  if (!ready || content.empty()) {
    if (error) *error = "the simulator did not become ready (" + argv[0] + ")";
    process_->Kill();
    return false;
  }
  pid_ = atoi(content.c_str());
  size_t nl = content.find('\n');
  ptyPath_ = nl == std::string::npos ? "" : content.substr(nl + 1);
  while (!ptyPath_.empty() && (ptyPath_.back() == '\n' || ptyPath_.back() == '\r')) ptyPath_.pop_back();
  return pid_ > 0;
}

void SimProcess::Stop() {
  if (pid_ <= 0) return;
#ifdef _WIN32
  // Wine cannot signal a host process; /bin/kill can.
  RunHost({"/bin/kill", "-TERM", std::to_string(pid_)});
#else
  kill(pid_, SIGTERM);
#endif
  if (process_->Wait(5000) == -1) process_->Kill();
  pid_ = 0;
}

std::vector<TranscriptRecord> SimProcess::Transcript() const {
  return ParseTranscript(ReadHostFile(transcriptPath_));
}

bool SimProcess::WaitForNote(const std::string& text, int timeoutMs) const {
  return WaitFor(
      [&] {
        for (const auto& r : Transcript()) {
          if (r.dir == "note" && r.bytes == text) return true;
        }
        return false;
      },
      timeoutMs);
}

bool SimProcess::WaitForReceived(const std::string& needle, int timeoutMs) const {
  return WaitFor([&] { return TranscriptBytes(Transcript(), "in").find(needle) != std::string::npos; }, timeoutMs);
}

}  // namespace qbtest
