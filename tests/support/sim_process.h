// Starts and stops the virtual instrument (quillbox-sim) for a test and reads
// its transcript. Works natively and from a Windows test under Wine, which
// starts the Linux program through its host path.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "support/host.h"

namespace qbtest {

struct TranscriptRecord {
  double time = 0;      // seconds since the epoch
  std::string channel;  // "tcp1", "pty", ...
  std::string dir;      // "in", "out" or "note"
  std::string bytes;    // the bytes, unescaped (the text of a note)
};

// Parses the transcript's text (see sim/transcript.h).
std::vector<TranscriptRecord> ParseTranscript(const std::string& text);
// All bytes of one direction ("in" or "out"), optionally only of channels whose
// name begins with channelPrefix.
std::string TranscriptBytes(const std::vector<TranscriptRecord>& records, const std::string& dir,
                            const std::string& channelPrefix = "");

class SimProcess {
 public:
  SimProcess() = default;
  ~SimProcess() { Stop(); }
  SimProcess(const SimProcess&) = delete;
  SimProcess& operator=(const SimProcess&) = delete;

  // Starts quillbox-sim with args plus its own --pidfile and --transcript in a
  // scratch folder, and waits until it is ready. On failure error says why.
  bool Start(const std::vector<std::string>& args, std::string* error = nullptr);
  // SIGTERM, then waits for the process to end (SIGKILL after 5 s).
  void Stop();
  bool Running() const { return pid_ > 0; }

  int Pid() const { return pid_; }
  const std::string& PtyPath() const { return ptyPath_; }                // host path of the slave, or ""
  const std::string& TranscriptPath() const { return transcriptPath_; }  // host path
  const std::string& Dir() const { return dir_; }

  std::vector<TranscriptRecord> Transcript() const;
  // Waits until the transcript holds a note with this text.
  bool WaitForNote(const std::string& text, int timeoutMs = 5000) const;
  // Waits until the bytes received so far contain needle.
  bool WaitForReceived(const std::string& needle, int timeoutMs = 5000) const;

 private:
  std::unique_ptr<HostProcess> process_;
  int pid_ = 0;
  std::string dir_, pidfile_, transcriptPath_, ptyPath_;
};

// Host path of the quillbox-sim program.
std::string SimProgramPath();

}  // namespace qbtest
