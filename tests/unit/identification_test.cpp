// Identification of the instrument: the family table, connect mode against
// check mode (attempts, time-outs, what is kept, what is shown), and the
// messages for links that do not open. Message boxes and the wait cursor are
// recorded through the user-interface seam.
#include "connection/identification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "link/tcp.h"
#include "support/link_harness.h"

using namespace qbtest;
using qb::InstrumentLink;

namespace {

TEST(Identification, FamilyTable) {
  const struct {
    const char* reply;
    int family;
  } cases[] = {
      {"QUARTZLINE,HXA1510,0,1.07", 1},
      {"QUARTZLINE,HXA2500,0,1.07", 2},
      {"QUARTZLINE,HXA2610", 3},
      {"QUARTZLINE,HXA5510", 4},
      {"QUARTZLINE,HXA5110", 5},
      {"QUARTZLINE,HXA5", 5},  // "5" followed by nothing at all
      {"QUARTZLINE,KRV1700,1", 6},
      {"QUARTZLINE,HXA4520", 7},
      {"QUARTZLINE,ZTQ1200,7,2.01", 8},
      {"Marbleway,", 8},
      {"QUARTZLINE,KRV1800", 0},  // another KRV model
      {"QUARTZLINE,DWTX1700", 0},
      {"QUARTZLINE,HXA3510", 0},  // no HXA row
      {"QUARTZLINE,HXA", 0},
      {"QUARTZLINE,hxa1510", 0},  // prefixes are compared case-sensitively
      {"quartzline,HXA1510", 0},
      {"Marbleway", 0},
      {"ACME,HXA1510", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(qb::ClassifyIdentification(c.reply), c.family) << c.reply;
  EXPECT_TRUE(qb::HasAcceptedPrefix("QUARTZLINE,DWTX9"));
  EXPECT_TRUE(qb::HasAcceptedPrefix("QUARTZLINE,KRV1800"));
  EXPECT_FALSE(qb::HasAcceptedPrefix("QUARTZLINE,XYZ"));
  EXPECT_FALSE(qb::HasAcceptedPrefix("QUARTZLINE,"));
  EXPECT_FALSE(qb::HasAcceptedPrefix(nullptr));
}

// One identification against a simulator started with args, from a link
// record that holds family and identification already. Connect mode (neither
// report nor probe) makes 100 ms attempts and leaves the link open; check mode
// makes 500 ms attempts under the wait cursor and closes it. The message
// boxes are given as text and icon; all are captioned "Test Connection".
struct IdentifyCase {
  const char* name;
  std::vector<std::string> args;
  int32_t family;
  const char* identification;
  bool report;
  int probe;
  bool ok;
  int32_t familyAfter;
  std::string identificationAfter;
  std::vector<std::pair<std::string, unsigned>> boxes;
  size_t queries;             // "*IDN?" queries the simulator received
  long long fromMs, belowMs;  // how long it took (0, 0: not checked)
};

const IdentifyCase kIdentifyCases[] = {
    // Two failed attempts after the 100 ms drain of the open, then an answer.
    {"connect mode, third query answered", {"--model", "ztq", "--answer-from", "3"}, 0, "", false, 0, true,
     qb::FAMILY_ZTQ, "QUARTZLINE,ZTQ1200,7,2.01", {}, 3, 300, 1500},
    {"check mode, third query answered", {"--model", "hxa", "--answer-from", "3"}, 0, "", false, 1, true,
     qb::FAMILY_HXA15, "QUARTZLINE,HXA1510,0,1.07", {}, 3, 1100, 3000},
    {"reported success", {"--model", "hxa55"}, 0, "", true, 0, true, qb::FAMILY_HXA55, "QUARTZLINE,HXA5510,0,3.02",
     {{"The connection was successful\nQUARTZLINE,HXA5510,0,3.02", 0x40u}}, 1, 0, 0},
    // An accepted prefix ends the attempts; an unknown model fails the check.
    {"known maker, unknown model", {"--idn", "QUARTZLINE,KRV1800,0,1.00"}, qb::FAMILY_ZTQ, "", true, 0, false, 0,
     "QUARTZLINE,KRV1800,0,1.00",
     {{"The connection failedQUARTZLINE,KRV1800,0,1.00", 0x40u}, {"The connection failed", 0x30u}}, 1, 0, 0},
    // Silence: five attempts; the check keeps nothing, connect mode succeeds
    // with an empty identification and the family kept.
    {"silent, checked", {"--silent"}, qb::FAMILY_HXA26, "previous", true, 0, false, qb::FAMILY_HXA26, "previous",
     {{"The connection failed", 0x30u}}, 5, 0, 0},
    {"silent, connect mode", {"--silent"}, qb::FAMILY_HXA26, "previous", false, 0, true, qb::FAMILY_HXA26, "", {}, 5, 0,
     0},
    // An unknown maker is asked five times all the same.
    {"unknown maker, connect mode", {"--idn", "ACME,DMM99,1"}, qb::FAMILY_ZTQ, "", false, 0, true, qb::FAMILY_ZTQ,
     "ACME,DMM99,1", {}, 5, 0, 0},
    {"unknown maker, probed", {"--idn", "ACME,DMM99,1"}, qb::FAMILY_ZTQ, "kept", false, 1, false, qb::FAMILY_ZTQ,
     "kept", {}, 5, 0, 0},
    {"overlong reply", {"--idn", "QUARTZLINE,ZTQ" + std::string(200, '7')}, 0, "", false, 0, true, qb::FAMILY_ZTQ,
     "QUARTZLINE,ZTQ" + std::string(113, '7'), {}, 1, 0, 0},  // cut to 127 characters
};

// The "*IDN?" queries the simulator received.
size_t Queries(const SimProcess& sim) {
  std::string in = TranscriptBytes(sim.Transcript(), "in");
  size_t count = 0;
  for (size_t at = in.find("*IDN?\n"); at != std::string::npos; at = in.find("*IDN?\n", at + 1)) ++count;
  return count;
}

TEST(Identify, ConnectAndCheckModes) {
  for (const IdentifyCase& c : kIdentifyCases) {
    SCOPED_TRACE(c.name);
    SimProcess sim;
    InstrumentLink link = qb::MakeClosedLink();
    UiRecorder ui;
    std::string error;
    ASSERT_TRUE(StartLanSim(sim, link, c.args, &error)) << error;
    link.family = c.family;
    snprintf(link.identification, sizeof link.identification, "%s", c.identification);
    long long start = NowMs();
    EXPECT_EQ(qb::IdentifyInstrument(nullptr, &link, c.report, c.probe), c.ok);
    long long took = NowMs() - start;
    EXPECT_EQ(link.family, c.familyAfter);
    EXPECT_EQ(link.identification, c.identificationAfter);
    EXPECT_EQ(Queries(sim), c.queries);
    if (c.belowMs) {
      EXPECT_GE(took, c.fromMs);
      EXPECT_LT(took, c.belowMs);
    }
    ASSERT_EQ(ui.Boxes().size(), c.boxes.size());
    for (size_t i = 0; i < c.boxes.size(); ++i) {
      EXPECT_EQ(ui.Boxes()[i].text, c.boxes[i].first);
      EXPECT_EQ(ui.Boxes()[i].flags, c.boxes[i].second);
      EXPECT_EQ(ui.Boxes()[i].caption, "Test Connection");
    }
    const bool connectMode = !c.report && c.probe == 0;
    EXPECT_EQ(ui.WaitCursorsShown(), connectMode ? 0 : 1);
    EXPECT_EQ(ui.CursorsRestored(), ui.WaitCursorsShown());
    EXPECT_EQ(qb::LanReadTimeout, 5000u);
    EXPECT_EQ(link.socket != qb::kNoHandle, connectMode);  // connect mode leaves it open
    qb::LinkControl(qb::LINK_CLOSE, &link);
  }
}

TEST(IdentifyOpen, LinksThatDoNotOpenAreReportedInEveryMode) {
  UiRecorder ui;
  InstrumentLink none = qb::MakeClosedLink();
  EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &none, true, 0));
  EXPECT_TRUE(ui.Boxes().empty());

  InstrumentLink lan = qb::MakeClosedLink();
  lan.kind = qb::LINK_LAN;
  std::string address = LoopbackAddress();  // nothing listens there
  snprintf(lan.ipAddress, sizeof lan.ipAddress, "%s", address.c_str());
  InstrumentLink serial = qb::MakeClosedLink();
  serial.kind = qb::LINK_USB;
  serial.baudRate = 19200;
  snprintf(serial.portName, sizeof serial.portName, "COM77");
  for (int mode = 0; mode < 3; ++mode) {
    bool report = mode == 1;
    int probe = mode == 2 ? 1 : 0;
    EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &lan, report, probe));
    EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &serial, report, probe));
    EXPECT_EQ(lan.socket, qb::kNoHandle);
    EXPECT_EQ(serial.serialHandle, qb::kNoHandle);
  }
  ASSERT_EQ(ui.Boxes().size(), 6u);
  for (size_t i = 0; i < 6; i += 2) {
    EXPECT_EQ(ui.Boxes()[i].text, "Failed to connect to IP address " + address);
    EXPECT_EQ(ui.Boxes()[i + 1].text, "Unable to open port COM77");
    EXPECT_EQ(ui.Boxes()[i].caption, "Test Connection");
    EXPECT_EQ(ui.Boxes()[i + 1].flags, 0x40u);
  }
  EXPECT_FALSE(qb::WinsockStarted);
  EXPECT_EQ(ui.WaitCursorsShown(), 0);
}

TEST(IdentifySerial, ABareLineFeedStaysInTheIdentificationText) {
  SimProcess sim;
  InstrumentLink link;
  UiRecorder ui;
  std::string error;
  ASSERT_TRUE(StartSerialSim(sim, link, {"--model", "marbleway", "--framing", "lf"}, &error)) << error;
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link, true, 0));
  EXPECT_EQ(link.family, qb::FAMILY_ZTQ);
  EXPECT_STREQ(link.identification, "Marbleway,PSM1735,0,1.12\n");
  ASSERT_EQ(ui.Boxes().size(), 1u);
  EXPECT_EQ(ui.Boxes()[0].text, "The connection was successful\nMarbleway,PSM1735,0,1.12\n");
  EXPECT_EQ(link.serialHandle, qb::kNoHandle);
  // Over serial the query goes without a zero byte or carriage return.
  EXPECT_EQ(TranscriptBytes(sim.Transcript(), "in", "pty"), "*IDN?\n");
}

}  // namespace
