// The link tests' helpers; see link_harness.h.
#include "support/link_harness.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "common/ui_seam.h"
#include "link/tcp.h"
#include "link/trace.h"
#include "support/com_port.h"

namespace qbtest {

bool StartLanSim(SimProcess& sim, qb::InstrumentLink& link, const std::vector<std::string>& args, std::string* error) {
  std::string address = LoopbackAddress();
  std::vector<std::string> all = {"--tcp", address + ":10001"};
  all.insert(all.end(), args.begin(), args.end());
  if (!sim.Start(all, error)) return false;
  link = qb::MakeClosedLink();
  link.kind = qb::LINK_LAN;
  snprintf(link.ipAddress, sizeof link.ipAddress, "%s", address.c_str());
  return true;
}

void OverBothTransports::Open(const std::vector<std::string>& args) {
  std::string error;
  ASSERT_TRUE(Lan() ? StartLanSim(sim_, link_, args, &error) : StartSerialSim(sim_, link_, args, &error)) << error;
  ASSERT_EQ(qb::LinkControl(qb::LINK_OPEN, &link_), 0);
}

void OverBothTransports::TearDown() {
  qb::LinkControl(qb::LINK_CLOSE, &link_);
  qb::SetLanReadTimeout(qb::kDefaultReadTimeoutMs);
}

std::string TransportName(const ::testing::TestParamInfo<bool>& info) {
  return info.param ? "Tcp" : "Serial";
}

bool StartSerialSim(SimProcess& sim, qb::InstrumentLink& link, const std::vector<std::string>& args,
                    std::string* error) {
  std::vector<std::string> all = {"--no-tcp", "--pty"};
  all.insert(all.end(), args.begin(), args.end());
  if (!sim.Start(all, error)) return false;
  if (sim.PtyPath().empty() || !MapComPort(kTestComPort, sim.PtyPath())) {
    if (error) *error = "cannot map COM" + std::to_string(kTestComPort) + " to " + sim.PtyPath();
    return false;
  }
  link = qb::MakeClosedLink();
  link.kind = qb::LINK_SERIAL;
  snprintf(link.portName, sizeof link.portName, "COM%d", kTestComPort);
  link.baudRate = 9600;
  return true;
}

namespace {

std::mutex TraceMutex;
std::vector<std::string> TracePieces;
qb::TraceSink PreviousSink = nullptr;

void CaptureTrace(const char* text) {
  std::lock_guard<std::mutex> lock(TraceMutex);
  TracePieces.emplace_back(text);
}

std::vector<RecordedBox> RecordedBoxes;
int WaitShown = 0, Restored = 0;
const qb::UiSeam* PreviousSeam = nullptr;
int FakeCursor = 0;

int RecordBox(void*, const char* text, const char* caption, unsigned flags) {
  RecordedBoxes.push_back({text ? text : "", caption ? caption : "", flags});
  return qb::kIdOk;
}

void* RecordWaitCursor() {
  ++WaitShown;
  return &FakeCursor;
}

void RecordRestore(void* previous) {
  if (previous == &FakeCursor) ++Restored;
}

const qb::UiSeam RecorderSeam = {RecordBox, RecordWaitCursor, RecordRestore};

}  // namespace

TraceCapture::TraceCapture() {
  Clear();
  PreviousSink = qb::SetTraceSink(CaptureTrace);
}

TraceCapture::~TraceCapture() {
  qb::SetTraceSink(PreviousSink);
}

std::string TraceCapture::Text() const {
  std::lock_guard<std::mutex> lock(TraceMutex);
  std::string out;
  for (const auto& p : TracePieces) out += p;
  return out;
}

std::vector<std::string> TraceCapture::Pieces() const {
  std::lock_guard<std::mutex> lock(TraceMutex);
  return TracePieces;
}

void TraceCapture::Clear() {
  std::lock_guard<std::mutex> lock(TraceMutex);
  TracePieces.clear();
}

UiRecorder::UiRecorder() {
  RecordedBoxes.clear();
  WaitShown = Restored = 0;
  PreviousSeam = qb::SetUiSeam(&RecorderSeam);
}

UiRecorder::~UiRecorder() {
  qb::SetUiSeam(PreviousSeam);
}

const std::vector<RecordedBox>& UiRecorder::Boxes() const {
  return RecordedBoxes;
}

int UiRecorder::WaitCursorsShown() const {
  return WaitShown;
}

int UiRecorder::CursorsRestored() const {
  return Restored;
}

std::string ReceivedBytes(const SimProcess& sim, const std::string& prefix, size_t count) {
  std::string bytes;
  WaitFor(
      [&] {
        bytes = TranscriptBytes(sim.Transcript(), "in", prefix);
        return bytes.size() >= count;
      },
      5000);
  return bytes;
}

std::string ExchangeReply(qb::InstrumentLink& link, const char* command, int sendResult, int size, int* length) {
  if (command) {
    EXPECT_EQ(qb::SendCommand(command, &link), sendResult) << command;
  }
  std::vector<char> buffer(static_cast<size_t>(size), 'x');
  int n = qb::ReadReply(buffer.data(), size, &link);
  if (length) *length = n;
  return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace qbtest
