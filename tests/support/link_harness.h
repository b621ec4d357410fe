// Helpers for the tests of the instrument link and identification: a
// simulator wired to a link record (over TCP loopback or over a pseudo-terminal
// mapped to a COM port), and recorders for the trace and the message boxes.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/instrument_link.h"
#include "support/sim_process.h"

namespace qbtest {

// The COM port number the serial tests map their simulator to.
constexpr int kTestComPort = 41;

// Starts a simulator on a loopback address of its own with args, and sets the
// link up for it: kind LAN, its address. The link is not opened.
bool StartLanSim(SimProcess& sim, qb::InstrumentLink& link, const std::vector<std::string>& args,
                 std::string* error = nullptr);
// Starts a simulator on a pseudo-terminal (no TCP) mapped to COM41, and sets
// the link up for it: kind Serial, "COM41", 9600 baud. Not opened.
bool StartSerialSim(SimProcess& sim, qb::InstrumentLink& link, const std::vector<std::string>& args,
                    std::string* error = nullptr);

// A fixture whose cases run over TCP on loopback (parameter true) and over a
// pseudo-terminal mapped to COM41 (false): Open starts the simulator with
// args and opens link_, which is closed again (and the LAN read time-out put
// back) after the case. Instantiate with QB_OVER_BOTH_TRANSPORTS(Suite).
class OverBothTransports : public ::testing::TestWithParam<bool> {
 protected:
  bool Lan() const { return GetParam(); }
  void Open(const std::vector<std::string>& args);
  void TearDown() override;
  SimProcess sim_;
  qb::InstrumentLink link_ = qb::MakeClosedLink();
};
std::string TransportName(const ::testing::TestParamInfo<bool>& info);
#define QB_OVER_BOTH_TRANSPORTS(Suite) \
  INSTANTIATE_TEST_SUITE_P(Transports, Suite, ::testing::Bool(), qbtest::TransportName)

// Sends command (when not null) with SendCommand, expecting sendResult, then
// reads one reply with ReadReply into a buffer of size that starts filled with
// 'x', so that a missing terminator shows. length receives ReadReply's result.
std::string ExchangeReply(qb::InstrumentLink& link, const char* command, int sendResult, int size = 128,
                          int* length = nullptr);

// While it lives, the link's trace is collected here instead of going out.
class TraceCapture {
 public:
  TraceCapture();
  ~TraceCapture();
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;
  std::string Text() const;
  // The trace as the pieces it was written in.
  std::vector<std::string> Pieces() const;
  void Clear();
};

struct RecordedBox {
  std::string text, caption;
  unsigned flags = 0;
};

// While it lives, message boxes and cursor changes are recorded, not shown.
class UiRecorder {
 public:
  UiRecorder();
  ~UiRecorder();
  UiRecorder(const UiRecorder&) = delete;
  UiRecorder& operator=(const UiRecorder&) = delete;
  const std::vector<RecordedBox>& Boxes() const;
  // Wait cursors shown, and how many of them were put back.
  int WaitCursorsShown() const;
  int CursorsRestored() const;
};

// The bytes the simulator received on channels whose name begins with prefix
// ("tcp", "pty"), once it has at least count of them (or 5 s passed).
std::string ReceivedBytes(const SimProcess& sim, const std::string& prefix, size_t count);

}  // namespace qbtest
