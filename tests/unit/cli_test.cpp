// quillbox-cli against the virtual instrument over TCP loopback and a
// pseudo-terminal: the verbs run in-process through RunCli with captured
// streams, the built program once as a child process; exit codes, printed
// replies, the transcript, the JUnit file (judged by Python's XML parser), the
// files the capture and stores verbs write, and bad command lines. The LAN
// search runs only on the virtual LAN of lan-netns.sh (netns.CliDiscover).
#include "cli/cli.h"

#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "cli/resource_address.h"
#include "common/tick_clock.h"
#include "support/hex_images.h"
#include "support/link_harness.h"
#include "support/virtual_lan.h"
#include "upgrade/upgrade_report.h"

using namespace qbtest;

namespace {

struct CliResult {
  int code;
  std::string out, err;
};

CliResult Cli(const std::vector<std::string>& args, const std::string& input = "", bool terminal = false,
              bool errorTerminal = false) {
  std::ostringstream out, err;
  std::istringstream in(input);
  qb::CliConsole console{out, err, in, terminal, errorTerminal, QB_CLI_PATH};
  int code = qb::RunCli(args, console);
  return {code, out.str(), err.str()};
}

// A program's standard output and its exit code.
std::string Shell(const std::string& command, int* code) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return out;
  char chunk[256];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) out.append(chunk, n);
  int status = pclose(pipe);
  if (code) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// "YYYY-MM-DDThh:mm:ss.mmmZ", digits where the pattern has letters.
bool StampShaped(const std::string& stamp) {
  const std::string pattern = "0000-00-00T00:00:00.000Z";
  if (stamp.size() != pattern.size()) return false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '0' ? !isdigit(static_cast<unsigned char>(stamp[i])) : stamp[i] != pattern[i]) return false;
  }
  return true;
}

TEST(CliText, TranscriptStampsAndXmlText) {
  const struct {
    long long ms;
    const char* stamp;
  } kStamps[] = {{0, "1970-01-01T00:00:00.000Z"},
                 {951782400123LL, "2000-02-29T00:00:00.123Z"},
                 {1796558943042LL, "2026-12-06T12:09:03.042Z"},
                 {4107542399999LL, "2100-02-28T23:59:59.999Z"}};
  for (const auto& s : kStamps) {
    EXPECT_EQ(qb::TranscriptStamp(s.ms), s.stamp) << s.ms;
    EXPECT_TRUE(StampShaped(s.stamp));
  }
  EXPECT_FALSE(StampShaped("2026-12-06 12:09:03.042Z"));
  EXPECT_EQ(qb::XmlEscaped("a<b>&\"c'\x01\t\xC3"), "a&lt;b&gt;&amp;&quot;c&apos;\t?");
}

TEST(CliOptions, BadCommandLinesExitTwoWithUsageAndHelpExitsZero) {
  const std::vector<std::vector<std::string>> kBad = {
      {},
      {"frobnicate"},
      {"identify", "--lan"},
      {"identify", "--lan", "127.0.0.1", "--serial", "COM1"},
      {"identify", "--timeout", "0", "--lan", "127.0.0.1"},
      {"send", "--lan", "127.0.0.1"},
      {"send", "--serial", "COM1", "--baud", "1234", "X"},
      {"run", "--lan", "127.0.0.1"},
      {"programs", "--lan", "127.0.0.1", "rename", "3"},
      {"programs", "--lan", "127.0.0.1", "save", "1000"},
      {"results", "--lan", "127.0.0.1"},
      {"upgrade", "--lan", "127.0.0.1"},
  };
  for (const auto& args : kBad) {
    CliResult r = Cli(args);
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    EXPECT_EQ(r.code, qb::kCliFailed) << joined;
    EXPECT_NE(r.err.find("quillbox-cli: "), std::string::npos) << joined;
    EXPECT_NE(r.err.find("Usage:"), std::string::npos) << joined << r.err;
    EXPECT_EQ(r.out, "") << joined;
  }
  CliResult help = Cli({"run", "--help"});
  EXPECT_EQ(help.code, 0);
  EXPECT_NE(help.out.find("--junit"), std::string::npos);
  // A link that cannot be made is one clear line, not a usage text.
  CliResult unreachable = Cli({"identify", "--serial", "COM250", "--baud", "9600"});
  EXPECT_EQ(unreachable.code, qb::kCliFailed);
  EXPECT_EQ(unreachable.err, "quillbox-cli: Unable to open port COM250\n");
}

// Every address form, as --on, --lan or --serial take it; what is refused is
// one line and exit 2 before anything is opened.
TEST(CliOptions, AddressFormsParseAndBadOnesExitTwoWithOneLine) {
  using Kind = qb::ResourceAddress::Kind;
  const struct {
    const char* option;
    const char* text;
    bool ok;
    Kind kind;
    const char* where;  // host or serial port
    int port;
  } kRows[] = {
      {"--on", "TCPIP::10.1.2.3::5025::SOCKET", true, Kind::Lan, "10.1.2.3", 5025},
      {"--on", "tcpip0::Bench-7.local::10001::socket", true, Kind::Lan, "Bench-7.local", 10001},
      {"--on", "TCPIP::10.1.2.3::INSTR", true, Kind::Lan, "10.1.2.3", 0},
      {"--lan", "TCPIP12::localhost::instr", true, Kind::Lan, "localhost", 0},
      {"--on", "ASRL3::INSTR", true, Kind::Serial, "COM3", 0},
      {"--serial", "asrlcom254::instr", true, Kind::Serial, "COM254", 0},
      {"--on", "10.1.2.3", true, Kind::Lan, "10.1.2.3", 0},
      {"--on", "com4", true, Kind::Serial, "com4", 0},
      {"--on", "/dev/ttyUSB0", true, Kind::Serial, "/dev/ttyUSB0", 0},
      {"--serial", "COM7", true, Kind::Serial, "COM7", 0},
      {"--on", "TCPIP::::INSTR", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::0::SOCKET", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::65536::SOCKET", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::scpi::SOCKET", false, Kind::Lan, "", 0},
      {"--on", "GPIB0::12::INSTR", false, Kind::Lan, "", 0},
      {"--on", "TCPIPX::10.1.2.3::INSTR", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::5025", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::5025::INSTR", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::INSTR::x", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1.2.3::5025::SOCKET::", false, Kind::Lan, "", 0},
      {"--on", "TCPIP::10.1 2.3::INSTR", false, Kind::Lan, "", 0},
      {"--on", "ASRL0::INSTR", false, Kind::Serial, "", 0},
      {"--on", "ASRL255::INSTR", false, Kind::Serial, "", 0},
      {"--on", "ASRL3", false, Kind::Serial, "", 0},
      {"--on", "ASRL3::INSTR::x", false, Kind::Serial, "", 0},
      {"--lan", "ASRL3::INSTR", false, Kind::Serial, "", 0},
      {"--serial", "TCPIP::10.1.2.3::INSTR", false, Kind::Lan, "", 0},
  };
  for (const auto& row : kRows) {
    SCOPED_TRACE(std::string(row.option) + " " + row.text);
    std::string option = row.option;
    auto use = option == "--lan"      ? qb::AddressUse::Lan
               : option == "--serial" ? qb::AddressUse::Serial
                                      : qb::AddressUse::Any;
    qb::ResourceAddress address;
    std::string error;
    ASSERT_EQ(qb::ParseResourceAddress(row.text, use, address, error), row.ok) << error;
    if (row.ok) {
      EXPECT_EQ(address.kind, row.kind);
      EXPECT_EQ(address.kind == Kind::Lan ? address.host : address.serial, row.where);
      EXPECT_EQ(address.port, row.port);
      continue;
    }
    EXPECT_EQ(error.rfind(std::string("Not an instrument address: \"") + row.text + "\" (", 0), 0u) << error;
    CliResult r = Cli({"identify", row.option, row.text});
    EXPECT_EQ(r.code, qb::kCliFailed);
    EXPECT_EQ(r.err, "quillbox-cli: " + error + "\n");
  }
}

enum class Transport { Tcp, Serial };

class CliVerbs : public ::testing::TestWithParam<Transport> {
 protected:
  void Start(const std::vector<std::string>& args) {
    std::string error;
    qb::InstrumentLink link = qb::MakeClosedLink();
    bool started =
        GetParam() == Transport::Tcp ? StartLanSim(sim_, link, args, &error) : StartSerialSim(sim_, link, args, &error);
    ASSERT_TRUE(started) << error;
    if (GetParam() == Transport::Tcp) {
      link_ = {"--lan", std::string("TCPIP0::") + link.ipAddress + "::INSTR"};
    } else {
      link_ = {"--on", "ASRL" + std::string(link.portName + 3) + "::INSTR", "--baud", "9600"};
    }
    scratch_ = MakeScratchDir("cli");
  }
  // The verb, the link options, then the rest.
  std::vector<std::string> Args(const std::string& verb, const std::vector<std::string>& rest) const {
    std::vector<std::string> args = {verb};
    args.insert(args.end(), link_.begin(), link_.end());
    args.insert(args.end(), rest.begin(), rest.end());
    return args;
  }
  std::string Script(const std::string& name, const std::string& text) const {
    std::string path = scratch_ + "/" + name;
    EXPECT_TRUE(WriteHostFile(path, text));
    return path;
  }
  SimProcess sim_;
  std::vector<std::string> link_;
  std::string scratch_;
};

TEST_P(CliVerbs, IdentifyAndSendPrintRepliesAndTheTranscriptStampsEveryLine) {
  Start({"--on", "MEAS?=line:\\p{-2.5e-3}V,\\p{1e12}"});
  CliResult id = Cli(Args("identify", {}));
  EXPECT_EQ(id.code, 0) << id.err;
  EXPECT_EQ(id.out, "QUARTZLINE,HXA1510,0,1.07\nfamily: HXA15\n");

  long long before = static_cast<long long>(time(nullptr)) * 1000 - 1000;
  std::string transcript = scratch_ + "/transcript.txt";
  CliResult sent = Cli(Args("send", {"--transcript", transcript, "MEAS?", "*IDN?"}));
  long long after = static_cast<long long>(time(nullptr)) * 1000 + 1000;
  EXPECT_EQ(sent.code, 0) << sent.err;
  // Packed numbers as the results pane renders them.
  EXPECT_EQ(sent.out, "-2.50000E-3V,1.00000E12\nQUARTZLINE,HXA1510,0,1.07\n");

  std::vector<std::string> lines = Lines(ReadHostFile(transcript));
  std::vector<std::string> records;
  std::string previous = qb::TranscriptStamp(before);
  for (const std::string& line : lines) {
    ASSERT_GT(line.size(), 27u) << line;
    std::string stamp = line.substr(0, 24);
    ASSERT_TRUE(StampShaped(stamp)) << line;
    EXPECT_GE(stamp, previous) << line;  // the stamps sort as text and never go back
    previous = stamp;
    ASSERT_TRUE(line.compare(24, 3, " > ") == 0 || line.compare(24, 3, " < ") == 0) << line;
    records.push_back(line.substr(25));
  }
  EXPECT_LE(previous, qb::TranscriptStamp(after));
  // The identification on opening, then both commands and their replies.
  const std::vector<std::string> expected = {"> *IDN?", "< QUARTZLINE,HXA1510,0,1.07",
                                             "> MEAS?", "< -2.50000E-3V,1.00000E12",
                                             "> *IDN?", "< QUARTZLINE,HXA1510,0,1.07"};
  EXPECT_EQ(records, expected);
}

TEST_P(CliVerbs, SendStopsListeningToAnInstrumentThatKeepsTalking) {
  Start({"--every", "100=line:tick"});
  uint64_t start = qb::SteadyMs();
  CliResult r = Cli(Args("send", {"--timeout", "300", "MEAS?"}));
  uint64_t took = qb::SteadyMs() - start;
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("tick\ntick\n"), std::string::npos) << r.out;
  // The open and identification, then four time-outs of listening.
  EXPECT_LT(took, 3000u);
}

TEST_P(CliVerbs, RunExitsZeroOneOrTwoAndWritesJunitThatParses) {
  Start({"--on", "MEAS?=line:\\p{1.5}"});
  const struct {
    const char* name;
    const char* text;  // nullptr: no such file
    int code;
    int tests, failures;
    const char* printed;
  } kCases[] = {
      {"pass", "\"MEAS?\n=1\n=^\n=2\n=test,in\n=test,lo\n#echo,done\n", 0, 2, 0, "> MEAS?\n1.50000E0\ndone\n"},
      {"fail", "#beep\n=5\n=^\n=1\n=test,hi\n=test,lo\n=cleartest\n=test,hi\n", 1, 3, 1, ""},
      {"stop on fail", "=stop,onfail\n=1\n=test,hi\n=test,lo\n#echo,never\n", 1, 1, 1, ""},
      {"no tests", "#echo,a <b> & c\n", 0, 0, 0, "a <b> & c\n"},
      {"missing", nullptr, 2, -1, -1, ""},
      {"not a script", "plain text\nwith no command\n", 2, -1, -1, ""},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    std::string path = c.text ? Script(std::string(c.name) + ".txt", c.text) : scratch_ + "/absent.txt";
    std::string junit = scratch_ + "/" + c.name + ".xml";
    CliResult r = Cli(Args("run", {"--junit", junit, path}));
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.out, c.printed);
    if (c.tests < 0) {
      EXPECT_EQ(Lines(r.err).size(), 1u) << r.err;
      EXPECT_FALSE(HostFileExists(junit));
      continue;
    }
    int code = -1;
    std::string parsed = Shell(
        "python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); s = "
        "d.getElementsByTagName(\"testsuite\")[0]; print(s.getAttribute(\"tests\"), "
        "s.getAttribute(\"failures\"), len(d.getElementsByTagName(\"testcase\")), "
        "len(d.getElementsByTagName(\"failure\")))' '" +
            junit + "'",
        &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(parsed, std::to_string(c.tests) + " " + std::to_string(c.failures) + " " + std::to_string(c.tests) + " " +
                          std::to_string(c.failures) + "\n");
  }
}

TEST_P(CliVerbs, ALinkThatDropsMidRunExitsTwoWithOneLineAndKeepsTheTranscript) {
  Start({"--on", GetParam() == Transport::Tcp ? "MEAS?=drop" : "MEAS?=hangup"});
  std::string transcript = scratch_ + "/dropped.txt";
  std::string script = Script("drop.txt", "\"*IDN?\n\"MEAS?\n#pause,1\n\"*IDN?\n\"*IDN?\n=1\n=test,lo\n");
  CliResult r = Cli(Args("run", {"--transcript", transcript, "--timeout", "500", script}));
  EXPECT_EQ(r.code, qb::kCliFailed);
  std::vector<std::string> err = Lines(r.err);
  ASSERT_FALSE(err.empty());
  EXPECT_EQ(err.back().rfind("quillbox-cli: ", 0), 0u) << r.err;
  EXPECT_NE(err.back().find("instrument"), std::string::npos) << r.err;
  std::string kept = ReadHostFile(transcript);
  EXPECT_NE(kept.find("> MEAS?"), std::string::npos) << kept;
  EXPECT_NE(kept.find("< QUARTZLINE,HXA1510,0,1.07"), std::string::npos) << kept;
  // The limit test after the drop never ran.
  EXPECT_NE(r.err.find("limit tests: 0 passed, 0 failed"), std::string::npos) << r.err;
}

TEST_P(CliVerbs, WaitWaitsForEnterOnlyAtATerminal) {
  Start({});
  std::string script = Script("wait.txt", "#wait,Check the probe\n\"*IDN?\n");
  const struct {
    const char* name;
    bool terminal;
    const char* input;
    int code;
    bool sent;
  } kCases[] = {
      {"piped input goes on", false, "", 0, true},
      {"Enter goes on", true, "\n", 0, true},
      {"end of input stops", true, "", 2, false},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    CliResult r = Cli(Args("run", {script}), c.input, c.terminal);
    EXPECT_EQ(r.code, c.code) << r.err;
    EXPECT_EQ(r.out.rfind("Check the probe\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("> *IDN?") != std::string::npos, c.sent) << r.out;
    EXPECT_EQ(r.err.find("Press Enter") != std::string::npos, c.terminal) << r.err;
  }
}

TEST_P(CliVerbs, CaptureAndStoresWriteTheSameFilesAsTheDialogs) {
  std::string seed = MakeScratchDir("cli-seed"), dump = MakeScratchDir("cli-dump");
  RunHost({"/bin/mkdir", "-p", seed + "/programs", seed + "/results"});
  WriteHostFile(seed + "/programs.txt", "3,Sweep,2014-06-25 10:00\n");
  WriteHostFile(seed + "/programs/003.QZL", std::string(1024, 'P'));
  WriteHostFile(seed + "/results.txt", "1,First,2014-06-25,10:00\n4,,2014-06-26,11:00\n");
  for (const char* n : {"001", "004"}) {
    WriteHostFile(seed + "/results/" + n + ".txt", std::string("Result ") + n + "\nV1,1.5\n");
    WriteHostFile(seed + "/results/" + n + ".QZL", std::string(256, n[2]));
  }
  std::string expected = MakeScratchDir("cli-screens");
  Start({"--model", "ztq", "--screen", "320x240", "--screen-bmp", "colour:" + expected + "/colour.bmp", "--screen-bmp",
         "mono:" + expected + "/mono.bmp", "--stores", seed, "--stores-dump", dump});

  for (const char* kind : {"colour", "mono"}) {
    SCOPED_TRACE(kind);
    std::string bmp = scratch_ + "/" + kind + ".bmp";
    std::vector<std::string> rest = {bmp};
    if (std::string(kind) == "colour") rest.insert(rest.begin(), "--colour");
    // Standard error as a terminal for the colour capture: a bar that ends full.
    bool bar = std::string(kind) == "colour";
    CliResult r = Cli(Args("capture", rest), "", false, bar);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, bmp + "\n");
    EXPECT_EQ(r.err.rfind("Downloading Screenshot...\n", 0), 0u) << r.err;
    EXPECT_EQ(r.err.find("\r[" + std::string(30, '#') + "] 100%") != std::string::npos, bar) << r.err;
    EXPECT_EQ(r.err.find("] 0%") != std::string::npos, bar) << r.err;
    EXPECT_EQ(ReadHostFile(bmp), ReadHostFile(expected + "/" + kind + ".bmp"));
  }

  CliResult listed = Cli(Args("programs", {"list"}));
  EXPECT_EQ(listed.code, 0) << listed.err;
  EXPECT_NE(listed.out.find("3\t"), std::string::npos);
  EXPECT_NE(listed.out.find("\tSweep\t2014-06-25 10:00\n"), std::string::npos) << listed.out;
  std::string saved = scratch_ + "/sweep";
  CliResult save = Cli(Args("programs", {"save", "3", saved}));
  EXPECT_EQ(save.code, 0) << save.err;
  EXPECT_EQ(ReadHostFile(saved + ".QZL"), ReadHostFile(seed + "/programs/003.QZL"));
  // An existing file is replaced only when asked.
  EXPECT_EQ(Cli(Args("programs", {"save", "3", saved})).code, qb::kCliFailed);
  EXPECT_EQ(Cli(Args("programs", {"save", "3", saved, "--yes"})).code, 0);
  CliResult upload = Cli(Args("programs", {"upload", "7", saved + ".QZL"}));
  EXPECT_EQ(upload.code, 0) << upload.err;
  EXPECT_EQ(ReadHostFile(dump + "/programs/007.QZL"), ReadHostFile(seed + "/programs/003.QZL"));
  EXPECT_EQ(Cli(Args("programs", {"upload", "8", scratch_ + "/absent.QZL"})).code, qb::kCliFailed);

  std::string folder = MakeScratchDir("cli-results");
  CliResult results = Cli(Args("results", {"download", "--folder", folder, "4"}));
  EXPECT_EQ(results.code, 0) << results.err;
  EXPECT_EQ(ReadHostFile(folder + "/ZTQ_R004.txt"), ReadHostFile(seed + "/results/004.txt"));
  EXPECT_FALSE(HostFileExists(folder + "/ZTQ_R001.txt"));
  CliResult qzl = Cli(Args("results", {"download", "--qzl", "--folder", folder}));
  EXPECT_EQ(qzl.code, 0) << qzl.err;
  for (const char* n : {"001", "004"}) {
    EXPECT_EQ(ReadHostFile(folder + "/ZTQ_R" + n + ".QZL"), ReadHostFile(seed + "/results/" + n + ".QZL")) << n;
  }
  CliResult missing = Cli(Args("results", {"download", "--folder", folder, "9"}));
  EXPECT_EQ(missing.code, qb::kCliFailed);
  EXPECT_EQ(Lines(missing.err).back(), "quillbox-cli: The instrument holds no result 9");
}

// The upgrade verb over the command flow the Upgrade Firmware menu runs: what
// it refuses leaves the instrument untouched; with --yes the loader ends up
// holding the same records as after the dialogs' upgrade.
TEST_P(CliVerbs, UpgradeRefusesWithoutConsentOrWithAnUnsoundFileAndWithYesProgramsTheSet) {
  std::string image = MakeScratchDir("cli-loader");
  Start({"--idn", "QUARTZLINE,HXA1510,1234,1.07", "--loader-image", image});
  auto hex = [this](const std::string& name, unsigned seed) {
    EXPECT_TRUE(MakeHexImage(scratch_ + "/" + name, 500, seed));
    return scratch_ + "/" + name;
  };
  std::string dsp = hex("dsp.hex", 3), main = hex("main.hex", 5);
  hex("other.hex", 4);
  std::string descriptor = Script(
      "set.upg",
      "TARGET,HXA1510\nLOAD,2,DSP.HEX\nSERIAL,1,1,1000\nLOAD,1,OTHER.HEX\nSERIAL,1,1000,1999\nLOAD,0,MAIN.HEX\n");
  std::string otherModel = Script("other.upg", "TARGET,HXA2500\nLOAD,0,MAIN.HEX\n");
  // A main .hex file whose third record's checksum is wrong, with its set.
  hex("DSP_V123.HEX", 6);
  hex("FPG_V123.HEX", 7);
  std::string corrupt = hex("AB_V123.HEX", 8);
  std::string text = ReadHostFile(corrupt);
  size_t third = text.find('\n', text.find('\n') + 1) + 1;
  size_t end = text.find('\n', third);
  text[end - 1] = text[end - 1] == '0' ? '1' : '0';
  WriteHostFile(corrupt, text);

  const struct {
    const char* name;
    std::vector<std::string> rest;
    bool terminal;
    const char* input;
    const char* lastLine;
  } kRefused[] = {
      {"no terminal",
       {descriptor},
       false,
       "",
       "quillbox-cli: An upgrade asks before it erases the firmware: give --yes, or run it at a terminal"},
      {"answered no",
       {descriptor},
       true,
       "n\n",
       "quillbox-cli: The proposed operation was not accepted: nothing was sent"},
      {"input ended",
       {descriptor},
       true,
       "",
       "quillbox-cli: The proposed operation was not accepted: nothing was sent"},
      {"unsound file",
       {"--yes", corrupt},
       false,
       "",
       "quillbox-cli: A file of the set is missing, not sound Intel HEX or for an invalid sector (marked above): "
       "nothing was sent"},
  };
  CliResult unsound;
  for (const auto& c : kRefused) {
    SCOPED_TRACE(c.name);
    CliResult r = Cli(Args("upgrade", c.rest), c.input, c.terminal);
    unsound = r;
    EXPECT_EQ(r.code, qb::kCliFailed);
    ASSERT_FALSE(r.err.empty());
    // The answer typed at a terminal is echoed by the terminal, not here.
    const std::string last = std::string(c.lastLine) + "\n";
    EXPECT_TRUE(r.err.size() >= last.size() && r.err.compare(r.err.size() - last.size(), last.size(), last) == 0)
        << r.err;
    // The report is shown exactly when the flow got as far as the file set.
    bool reported = std::string(c.name) != "no terminal" && std::string(c.name) != "other model, no";
    EXPECT_EQ(r.err.find("The upgrade file is for a HXA2500. You are connected to a HXA1510") != std::string::npos,
              std::string(c.name).find("other model") == 0)
        << r.err;
    EXPECT_EQ(r.out.rfind("Proposed Operation\n", 0) == 0, reported) << r.out;
    EXPECT_EQ(r.out.find("\\cf"), std::string::npos) << r.out;
  }
  // The HEX check's verdict in the report (the unsound case ran last).
  EXPECT_NE(unsound.out.find("ab_v123.hex"), std::string::npos) << unsound.out;
  EXPECT_NE(unsound.out.find(" line 3: "), std::string::npos) << unsound.out;
  EXPECT_NE(unsound.out.find(qb::kPlainProblemMark), std::string::npos) << unsound.out;
  EXPECT_FALSE(HostFileExists(image + "/events.txt")) << "the loader was woken";

  CliResult done = Cli(Args("upgrade", {"--yes", descriptor}));
  EXPECT_EQ(done.code, 0) << done.err;
  EXPECT_EQ(Lines(done.out).back(), "Firmware upgraded from " + descriptor);
  EXPECT_NE(done.out.find("Target: HXA1510\n"), std::string::npos) << done.out;
  EXPECT_EQ(done.out.find("other.hex"), std::string::npos) << done.out;
  EXPECT_NE(done.err.find("Accept the proposed operation? [y/N] y (--yes)\n"), std::string::npos) << done.err;
  EXPECT_EQ(ReadHostFile(image + "/events.txt"), "wake\ninit\nerase 2\nerase 0\nrestart\nfinal\n");
  EXPECT_EQ(HexRecords(image + "/sector2.hex"), HexRecords(dsp));
  EXPECT_EQ(HexRecords(image + "/sector0.hex"), HexRecords(main));
  EXPECT_FALSE(HostFileExists(image + "/sector1.hex"));
}

// Whether a CSV line matches its pattern field by field: "@" a time stamp,
// "X*" a field that begins with X (a "?" in X any character), anything else
// the field itself.
bool CsvLineMatches(const std::string& line, const std::string& pattern) {
  std::istringstream got(line + ","), want(pattern + ",");
  std::string f, w;
  while (std::getline(want, w, ',')) {
    if (!std::getline(got, f, ',')) return false;
    if (w == "@" ? !StampShaped(f) : w.empty() || w.back() != '*' ? f != w : f.size() < w.size() - 1) return false;
    for (size_t i = 0; w != "@" && !w.empty() && w.back() == '*' && i + 1 < w.size(); ++i) {
      if (w[i] != '?' && w[i] != f[i]) return false;
    }
  }
  return !std::getline(got, f, ',');
}

// VRMS? stays within 230 +/- 2 V, TEMPER? within 25 +/- 3: the limits below
// hold them or not; GAIN? is 3 dB down at 1 kHz. Bad options are one line.
TEST_P(CliVerbs, TrendAndSweepWriteTheirCsvAndExitOneOutsideTheLimitsTwoOnBadOptions) {
  Start({});
  auto rows = [](std::vector<std::string> lines, const std::string& row, size_t n) {
    lines.insert(lines.end(), n, row);
    return lines;
  };
  const std::string sweep = "step,\"FREQUE,{}\",time,GAIN?";
  const struct {
    std::vector<std::string> args;
    int code;
    std::string printed;           // in the first line out, or the one error line
    std::vector<std::string> csv;  // the file's lines as patterns
  } kCases[] = {
      {{"trend", "--query", "VRMS?", "--period", "50", "--count", "3"}, 0, "VRMS?: latest 2",
       rows({"time,VRMS?"}, "@,2??.*", 3)},
      {{"trend", "--query", "VRMS?", "--query", "TEMPER?", "--period", "50", "--count", "2", "--min", "-1", "--max",
        "240"},
       0, "(2 numbers)", rows({"time,VRMS?,TEMPER?"}, "@,2??.*,2?.*", 2)},
      {{"trend", "--query", "VRMS?", "--period", "50", "--count", "3", "--min", "231.5"}, 1, "3 outside limits",
       rows({"time,VRMS?"}, "@,2??.*", 3)},
      {{"trend", "--query", "VRMS?", "--period", "100", "--duration", "0.45"}, 0, "(5 numbers)",
       rows({"time,VRMS?"}, "@,2??.*", 5)},
      {{"sweep", "--set", "FREQUE,{}", "--from", "100", "--to", "300", "--steps", "3", "--query", "GAIN?"}, 0,
       "Sweep complete: 3 steps.", {sweep, "1,100,@,-*", "2,200,@,-*", "3,300,@,-*"}},
      {{"sweep", "--set", "FREQUE,{}", "--from", "10", "--to", "1000", "--steps", "3", "--log", "--query", "GAIN?"}, 0,
       "Sweep complete: 3 steps.", {sweep, "1,10,@,-*", "2,100,@,-*", "3,1000,@,-3.0*"}},
      {{"sweep", "--set", "FREQUE,{}", "--values", "1000,10", "--query", "GAIN?"}, 0, "Sweep complete: 2 steps.",
       {sweep, "1,1000,@,-3.0*", "2,10,@,-*"}},
      {{"trend", "--query", "VRMS?", "--period", "49", "--count", "3"}, 2, "The period must lie between 50 ms", {}},
      {{"trend", "--query", "VRMS?", "--period", "50"}, 2, "Give either --count or --duration", {}},
      {{"trend", "--query", "VRMS?", "--period", "50", "--count", "3", "--min", "5", "--max", "-5"}, 2,
       "The low limit lies above the high limit.", {}},
      {{"trend", "--query", "VRMS?", "--period", "50", "--count", "1", "--csv", "/nonexistent/t.csv"}, 2,
       "The file /nonexistent/t.csv could not be written", {}},
      {{"sweep", "--set", "FREQUE,{}", "--values", "1,2", "--steps", "2", "--query", "GAIN?"}, 2, "not both", {}},
      {{"sweep", "--set", "FREQUE,{}", "--from", "0", "--to", "9", "--steps", "2", "--log", "--query", "GAIN?"}, 2,
       "A logarithmic sweep runs between settings above zero.", {}},
  };
  const std::string csv = scratch_ + "/measured.csv";
  for (const auto& c : kCases) {
    std::vector<std::string> rest(c.args.begin() + 1, c.args.end());
    if (std::find(rest.begin(), rest.end(), "--csv") == rest.end()) rest.insert(rest.end(), {"--csv", csv});
    SCOPED_TRACE(::testing::PrintToString(rest));
    remove(csv.c_str());
    CliResult r = Cli(Args(c.args[0], rest));
    EXPECT_EQ(r.code, c.code) << r.err;
    const std::vector<std::string> said = Lines(c.code == qb::kCliFailed ? r.err : r.out);
    ASSERT_FALSE(said.empty());
    EXPECT_NE(said[0].find(c.printed), std::string::npos) << said[0];
    EXPECT_TRUE(c.code != qb::kCliFailed || said.size() == 1) << r.err;
    const std::vector<std::string> written = Lines(HostFileExists(csv) ? ReadHostFile(csv) : "");
    ASSERT_EQ(written.size(), c.csv.size());
    for (size_t i = 0; i < written.size(); ++i) EXPECT_TRUE(CsvLineMatches(written[i], c.csv[i])) << written[i];
  }
}

INSTANTIATE_TEST_SUITE_P(Transports, CliVerbs, ::testing::Values(Transport::Tcp, Transport::Serial),
                         [](const ::testing::TestParamInfo<Transport>& info) {
                           return info.param == Transport::Tcp ? std::string("Tcp") : std::string("Serial");
                         });

// The built program itself, with a serial port given by its device path.
TEST(CliProgram, RunsAsAChildWithADevicePathAndExitCodes) {
  SimProcess sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--no-tcp", "--pty", "--model", "ztq"}, &error)) << error;
  const std::string program = QB_CLI_PATH;
  int code = -1;
  std::string out = Shell(program + " identify --serial '" + sim.PtyPath() + "' --baud 9600 2>&1", &code);
  EXPECT_EQ(code, 0) << out;
  EXPECT_NE(out.find("family: ZTQ\n"), std::string::npos) << out;
  out = Shell(program + " run --serial '" + sim.PtyPath() + "' 2>&1 </dev/null", &code);
  EXPECT_EQ(code, 2) << out;
  EXPECT_NE(out.find("Usage:"), std::string::npos) << out;
}

// A connection dropped 400 ms in: one error line, exit 2, the CSV keeps the
// samples or rows before it and ends with a note; fewer than 40 lines means
// the loss was seen at once.
TEST(CliMeasureDrop, ATrendOrSweepCutShortExitsTwoAndKeepsWhatItMeasured) {
  SimProcess sim;
  qb::InstrumentLink link = qb::MakeClosedLink();
  std::string error, csv = MakeScratchDir("cli-drop") + "/cut.csv";
  ASSERT_TRUE(StartLanSim(sim, link, {"--once", "400=drop"}, &error)) << error;
  const struct {
    std::vector<std::string> args;
    const char *said, *lastLine;
  } kCases[] = {
      {{"trend", "--query", "VRMS?", "--period", "50", "--duration", "30"}, "samples so far are kept in ",
       "# link lost at "},
      {{"sweep", "--set", "FREQUE,{}", "--from", "100", "--to", "5000", "--steps", "50", "--settle", "50", "--query",
        "GAIN?"},
       "The rows measured are kept in ", "# incomplete: Sweep incomplete: "},
  };
  for (const auto& c : kCases) {
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--lan", link.ipAddress, "--timeout", "300", "--csv", csv});
    CliResult r = Cli(args);
    EXPECT_EQ(r.code, qb::kCliFailed) << args[0];
    EXPECT_NE(Lines(r.err).back().find(c.said), std::string::npos) << r.err;
    std::vector<std::string> lines = Lines(ReadHostFile(csv));
    ASSERT_GE(lines.size(), 4u) << args[0];  // the header, rows, the note
    EXPECT_LT(lines.size(), 40u) << args[0];
    EXPECT_EQ(lines.back().rfind(c.lastLine, 0), 0u) << lines.back();
  }
}

// A run on several instruments of one simulator at once: a suite per
// instrument in one JUnit file, a transcript each, and an instrument that
// drops mid-run or is not there fails only its own suite.
TEST(CliBench, RunsOnEveryInstrumentAtOnceWithASuiteEach) {
  const struct {
    const char* name;
    std::vector<std::string> sim;
    bool fromFile;
    int count;  // addresses: ports 10001 on, the fifth has no instrument
    int code;
    const char* suites;  // "tests/failures/errors" of each suite
  } kCases[] = {
      {"all pass", {}, false, 4, 0, "2/0/0 2/0/0 2/0/0 2/0/0"},
      {"one drops, one absent", {"--on-instance", "3:MEAS?=drop"}, true, 5, 2, "2/0/0 2/0/0 1/0/1 2/0/0 1/0/1"},
  };
  const std::string script = MakeScratchDir("cli-bench") + "/bench.txt";
  WriteHostFile(script, "\"MEAS?\n#pause,1\n\"*IDN?\n\"*IDN?\n=1\n=^\n=2\n=test,in\n=test,lo\n");
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    SimProcess sim;
    std::string error, address = LoopbackAddress();
    std::vector<std::string> args = {"--tcp", address + ":10001", "--instances", "4", "--on", "MEAS?=line:\\p{1.5}"};
    args.insert(args.end(), c.sim.begin(), c.sim.end());
    ASSERT_TRUE(sim.Start(args, &error)) << error;
    std::string dir = MakeScratchDir("cli-bench"), list = "# the bench\n\n";
    std::vector<std::string> run = {"run", "--timeout", "500", "--junit", dir + "/all.xml", "--transcript", dir + "/t"};
    std::vector<std::string> addresses;
    for (int i = 0; i < c.count; ++i) {
      addresses.push_back(i == 0 ? "TCPIP::" + address + "::INSTR"
                                 : "TCPIP0::" + address + "::" + std::to_string(10001 + i) + "::SOCKET");
      list += "  " + addresses.back() + "\n";
      if (!c.fromFile) run.insert(run.end(), {"--on", addresses.back()});
    }
    WriteHostFile(dir + "/list.txt", list);
    if (c.fromFile) run.insert(run.end(), {"--on-file", dir + "/list.txt"});
    run.push_back(script);
    CliResult r = Cli(run);
    EXPECT_EQ(r.code, c.code) << r.out << r.err;
    int code = -1;
    std::string parsed = Shell(
        "python3 -c 'import sys, xml.dom.minidom as m; d = m.parse(sys.argv[1]); print(\" "
        "\".join(s.getAttribute(\"name\") "
        "+ \"=\" + \"/\".join(s.getAttribute(a) for a in (\"tests\", \"failures\", \"errors\")) for s in "
        "d.getElementsByTagName(\"testsuite\")))' '" +
            dir + "/all.xml'",
        &code);
    EXPECT_EQ(code, 0);
    std::string expected, suites = c.suites;
    for (size_t i = 0; i < addresses.size(); ++i) {
      std::string counts = suites.substr(i * 6, 5);
      expected += (i ? " " : "") + addresses[i] + "=" + counts;
      // Each instrument's outcome, and its transcript when it was reached.
      std::string outcome = addresses[i] + (counts == "2/0/0" ? ": passed\n" : ": failed: ");
      EXPECT_NE(r.out.find(outcome), std::string::npos) << r.out;
      std::string transcript = ReadHostFile(dir + "/t/" + qb::FileSafe(addresses[i]) + ".txt");
      EXPECT_EQ(transcript.find("> MEAS?") != std::string::npos, i < 4) << addresses[i];
    }
    EXPECT_EQ(parsed, expected + "\n");
  }
}

// Run by netns.CliDiscover inside the virtual LAN of lan-netns.sh.
TEST(CliDiscoverNetns, ListsEveryAnsweringInstrumentWithItsFamilyAsTableAndJson) {
  REQUIRE_VIRTUAL_LAN();
  CliResult table = Cli({"discover"});
  EXPECT_EQ(table.code, 0) << table.err;
  const struct {
    const char* name;
    const char* family;
    const char* text;
  } kRows[] = {{"hxa", "HXA15", "HXA1510,0,1.07"},
               {"ztq", "ZTQ", ""},
               {"silent", "unknown", "Connection Failed 2"},
               {"refusing", "unknown", "Connection Failed 1"}};
  for (const auto& row : kRows) {
    std::string found;
    for (const std::string& line : Lines(table.out)) {
      std::istringstream fields(line);
      std::string address, family, rest;
      fields >> address >> family;
      std::getline(fields >> std::ws, rest);
      if (address == "TCPIP::" + Instrument(row.name) + "::INSTR") found = family + "|" + rest;
    }
    EXPECT_EQ(found.substr(0, found.find('|') + 1 + std::string(row.text).size()),
              std::string(row.family) + "|" + row.text)
        << row.name << "\n"
        << table.out;
  }
  CliResult json = Cli({"discover", "--json"});
  EXPECT_EQ(json.code, 0);
  std::string file = MakeScratchDir("cli-discover") + "/found.json";
  WriteHostFile(file, json.out);
  int code = -1;
  std::string counted = Shell(
      "python3 -c 'import json, sys; rows = json.load(open(sys.argv[1])); print(len(rows), sum(r[\"family\"] == "
      "\"ZTQ\" for r in rows))' '" +
          file + "'",
      &code);
  EXPECT_EQ(code, 0) << json.out;
  // Seven rows of eight records: the instrument that answers both probes is
  // listed twice, the one that is none of the makers' not at all.
  EXPECT_EQ(counted, "7 3\n") << json.out;
}

}  // namespace
