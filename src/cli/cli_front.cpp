// The console program's shared front end: the transcript, message boxes as
// error lines, progress on standard error, the link's session and the reply
// poll (cli_front.h), and the transcript's time stamps and XML escapes
// (cli.h).
#include "cli/cli_front.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "cli/cli_platform.h"
#include "cli/resource_address.h"
#include "common/duration_text.h"
#include "connection/connect_settings.h"
#include "connection/identification.h"
#include "script/script_interpreter.h"
#include "script/script_state.h"

namespace qb {
namespace cli {

const char kProgramName[] = "quillbox-cli";
const char kCommsErrorLine[] = "A Comms error has occured, Disconnected from instrument";

namespace {

// What one poll takes from the link at most, as the results pane does.
constexpr int kPollBytesLimit = 4096;

Transcript* ActiveTranscript = nullptr;

void TranscriptSink(const char* text) {
  if (ActiveTranscript) ActiveTranscript->TracePiece(text);
}

std::ostream* BoxStream = nullptr;
bool (*BoxQuestion)() = nullptr;

int BoxToStandardError(void*, const char* text, const char*, unsigned flags) {
  if (BoxStream) {
    std::string line(text ? text : "");
    std::replace(line.begin(), line.end(), '\n', ' ');
    *BoxStream << kProgramName << ": " << line << '\n';
  }
  if ((flags & kMbYesNo) != kMbYesNo) return kIdOk;
  return BoxQuestion && BoxQuestion() ? kIdYes : kIdNo;
}

void* NoCursor() {
  return nullptr;
}
void KeepCursor(void*) {}

const UiSeam kConsoleSeam = {BoxToStandardError, NoCursor, KeepCursor};

}  // namespace

long long EpochMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

uint32_t TickMs() {
  return static_cast<uint32_t>(MillisecondClock());
}

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
  return text;
}

int Fail(CliConsole& console, const std::string& message) {
  console.err << kProgramName << ": " << message << '\n';
  return kCliFailed;
}

// ---- transcript -------------------------------------------------------------

bool Transcript::Open(const std::string& path) {
  file_.open(path, std::ios::binary | std::ios::trunc);
  return file_.good();
}

void Transcript::Record(char direction, const std::string& text) {
  if (!file_.is_open()) return;
  file_ << TranscriptStamp(EpochMs()) << ' ' << direction << ' ' << text << '\n';
  file_.flush();
}

void Transcript::TracePiece(const char* piece) {
  std::string text(piece);
  if (expect_ == Expect::SentText) {
    expect_ = Expect::Header;
    for (char c : text) {
      if (c == '\r' || c == '\n') {
        if (!sent_.empty()) Record('>', sent_);
        sent_.clear();
      } else {
        sent_.push_back(c);
      }
    }
    return;
  }
  if (expect_ == Expect::ReplyText) {
    expect_ = Expect::Header;
    Record('<', WithoutLineEnd(text));
    return;
  }
  if (text.compare(0, 4, ">>r:") == 0) {
    // A lone control character comes whole in its header piece.
    if (text.find("\\024") != std::string::npos) {
      Record('>', "\\024");
    } else {
      expect_ = Expect::SentText;
    }
  } else if (text.compare(0, 4, "<<r:") == 0) {
    expect_ = Expect::ReplyText;
  }
  // Single bytes read are recorded as the lines they make, elsewhere.
}

// ---- message boxes and progress ----------------------------------------------

ConsoleBoxes::ConsoleBoxes(CliConsole& console, bool (*question)()) {
  BoxStream = &console.err;
  BoxQuestion = question;
  previousSeam_ = SetUiSeam(&kConsoleSeam);
}

ConsoleBoxes::~ConsoleBoxes() {
  SetUiSeam(previousSeam_ == DefaultUiSeam() ? nullptr : previousSeam_);
  BoxQuestion = nullptr;
  BoxStream = nullptr;
}

void SetBoxQuestion(bool (*question)()) {
  BoxQuestion = question;
}

ConsoleReporter::ConsoleReporter(CliConsole& console) : console_(console) {
  display_ = ProgressDisplay{0, 0, true, false, MillisecondClock()};
}

ConsoleReporter::~ConsoleReporter() {
  EndBar();
}

void ConsoleReporter::Status(const std::string& text) {
  EndBar();
  console_.err << text << '\n';
}

void ConsoleReporter::Log(const std::string& line) {
  EndBar();
  console_.err << line << '\n';
}

void ConsoleReporter::Total(int total) {
  ProgressSetTotal(display_, total);
  display_.startMs = MillisecondClock();
  Draw();
}

void ConsoleReporter::Step(int count) {
  ProgressStep(display_, count, MillisecondClock());
  Draw();
}

void ConsoleReporter::Percent(int percent) {
  display_.total = 100;
  display_.count = percent;
  Draw();
}

void ConsoleReporter::Draw() {
  if (!console_.errorIsTerminal || display_.total <= 0) return;
  int percent = static_cast<int>(100LL * std::min(display_.count, display_.total) / display_.total);
  constexpr int kWidth = 30;
  std::string bar(static_cast<size_t>(kWidth * percent / 100), '#');
  bar.resize(kWidth, '.');
  ProgressDisplay timed = display_;
  SetTimeMode(timed, true);
  console_.err << "\r[" << bar << "] " << percent << "%  " << ProgressLineText(timed, MillisecondClock()) << "   "
               << std::flush;
  drawn_ = true;
}

void ConsoleReporter::EndBar() {
  if (drawn_) console_.err << '\n';
  drawn_ = false;
}

// ---- the link -------------------------------------------------------------------

void AddLinkOptions(CLI::App& verb, LinkOptions& options, std::vector<std::string>* many) {
  const char* onText =
      "the instrument's address: TCPIP::HOST::INSTR, TCPIP::HOST::PORT::SOCKET, ASRLn::INSTR, a host or a serial port";
  auto* on = many ? verb.add_option("--on", *many, std::string(onText) + " (repeat for several at once)")
                  : verb.add_option("--on", options.on, onText);
  auto* lan = verb.add_option("--lan", options.lan, "host name, IPv4 address or TCPIP:: address of a LAN instrument");
  auto* serial =
      verb.add_option("--serial", options.serial, "serial port (COM3, ASRL3::INSTR, or natively a device path)");
  auto* usb = verb.add_option("--usb", options.usb, "the virtual serial port of a USB instrument (19200 baud)");
  on->excludes(lan)->excludes(serial)->excludes(usb);
  lan->excludes(serial)->excludes(usb);
  serial->excludes(usb);
  verb.add_option("--baud", options.baud, "baud rate of --serial")
      ->check(CLI::IsMember(std::vector<int>{1200, 2400, 4800, 9600, 19200, 38400}));
  verb.add_option("--transcript", options.transcript, "write every line sent and received, stamped, to FILE");
  verb.add_option("--timeout", options.timeoutMs, "reply time-out in milliseconds")
      ->check(CLI::Range(1, kLongestWaitMs));
}

namespace {

// Points the link at the address the user gave.
bool SetLinkAddress(const std::string& text, AddressUse use, bool usb, InstrumentLink& link, std::string& message) {
  ResourceAddress address;
  if (!ParseResourceAddress(text, use, address, message)) return false;
  if (address.kind == ResourceAddress::Lan) {
    std::string dotted;
    if (!ResolveIpv4(address.host, dotted) || dotted.size() > 15) {
      message = "Unable to find the host " + address.host;
      return false;
    }
    link.kind = LINK_LAN;
    CopyField(link.ipAddress, sizeof link.ipAddress, dotted, 15);
    link.tcpPort = address.port;
    return true;
  }
  link.kind = usb ? LINK_USB : LINK_SERIAL;
  if (!UseSerialPort(address.serial, link, message)) return false;
  if (usb) link.baudRate = kUsbBaudRate;
  return true;
}

}  // namespace

Session::Session(CliConsole& console, const LinkOptions& options)
    : console_(console), options_(options), boxes_(console) {
  previousTrace_ = TraceEnabled;
  MainLink = MakeClosedLink();
  ResetScriptInterpreter();
}

Session::~Session() {
  if (MainLink.ConnectedFlag || MainLink.kind != LINK_NONE) LinkControl(LINK_CLOSE, &MainLink);
  MainLink = MakeClosedLink();
  if (transcript_.Active()) SetTraceSink(previousSink_ == DefaultTraceSink() ? nullptr : previousSink_);
  TraceEnabled = previousTrace_;
  ActiveTranscript = nullptr;
}

int Session::Open() {
  if (!options_.transcript.empty()) {
    if (!transcript_.Open(options_.transcript)) return Fail(console_, "Unable to write " + options_.transcript);
    ActiveTranscript = &transcript_;
    TraceEnabled = true;
    previousSink_ = SetTraceSink(TranscriptSink);
  } else {
    TraceEnabled = false;
  }
  InstrumentLink& link = MainLink;
  std::string message;
  if (!options_.on.empty() || !options_.lan.empty()) {
    bool any = !options_.on.empty();
    if (!SetLinkAddress(any ? options_.on : options_.lan, any ? AddressUse::Any : AddressUse::Lan, false, link,
                        message)) {
      return Fail(console_, message);
    }
  } else if (!options_.serial.empty() || !options_.usb.empty()) {
    bool usb = !options_.usb.empty();
    if (!SetLinkAddress(usb ? options_.usb : options_.serial, AddressUse::Serial, usb, link, message)) {
      return Fail(console_, message);
    }
  } else if (!LoadStoredConnection(link)) {
    return Fail(console_, "No connection given: use --on ADDRESS, --lan HOST or --serial PORT --baud RATE");
  }
  if (options_.baud != 0 && link.kind == LINK_SERIAL) link.baudRate = options_.baud;
  if (const char* problem = ConnectSettingsProblem(link)) return Fail(console_, problem);
  // Marked connected first, so that the identification's exchange is in
  // the transcript too.
  link.ConnectedFlag = true;
  if (!IdentifyInstrument(nullptr, &link, false, 0)) {
    link.ConnectedFlag = false;
    return kCliFailed;  // the box said why
  }
  link.PollingEnabled = true;
  SetReadTimeout(options_.timeoutMs, &link);
  if (link.identification[0] == '\0') return Fail(console_, "The instrument did not answer \"*IDN?\"");
  return kCliSuccess;
}

const char* FamilyName(int family) {
  switch (family) {
    case FAMILY_HXA15:
      return "HXA15";
    case FAMILY_HXA25:
      return "HXA25";
    case FAMILY_HXA26:
      return "HXA26";
    case FAMILY_HXA55:
      return "HXA55";
    case FAMILY_HXA5:
      return "HXA5";
    case FAMILY_KRV17:
      return "KRV17";
    case FAMILY_HXA45:
      return "HXA45";
    case FAMILY_ZTQ:
      return "ZTQ";
    default:
      return "unknown";
  }
}

ReplyPoll::ReplyPoll(CliConsole& console, Transcript& transcript) : console_(console), transcript_(transcript) {
  ClearAccumulator(accumulator_);
}

bool ReplyPoll::Poll() {
  int value = ReadByte(&MainLink);
  for (int taken = 0; value >= 0; value = ReadByte(&MainLink)) {
    if (AccumulateByte(accumulator_, value)) {
      std::string line = WithoutLineEnd(RenderResultLine(accumulator_.bytes, accumulator_.count));
      AddReceivedCharacters(ReceivedLength(accumulator_.bytes, accumulator_.count));
      ClearAccumulator(accumulator_);
      console_.out << line << '\n' << std::flush;
      transcript_.Record('<', line);
      lastLineMs_ = TickMs();
      ++lines_;
    }
    if (++taken >= kPollBytesLimit) break;
  }
  return value != -1;
}

}  // namespace cli

std::string TranscriptStamp(long long epochMs) {
  long long ms = ((epochMs % 1000) + 1000) % 1000;
  long long seconds = (epochMs - ms) / 1000;
  long long days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  long long rest = seconds - days * 86400;
  // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
  long long z = days + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  long long day = doy - (153 * mp + 2) / 5 + 1;
  long long month = mp < 10 ? mp + 3 : mp - 9;
  long long year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char text[128];
  snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lld.%03lldZ", year, month, day, rest / 3600,
           rest / 60 % 60, rest % 60, ms);
  return text;
}

std::string XmlEscaped(const std::string& text) {
  std::string out;
  for (char c : text) {
    unsigned char u = static_cast<unsigned char>(c);
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (u >= 0x20 || c == '\t' || c == '\r' || c == '\n') out += u < 0x80 ? std::string(1, c) : "?";
    }
  }
  return out;
}

}  // namespace qb
