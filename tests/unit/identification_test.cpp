// Identification of the instrument: the family table, connect mode against
// check mode (attempts, time-outs, what is kept, what is shown), and the
// messages for links that do not open. Message boxes and the wait cursor are
// recorded through the user-interface seam.
#include "connection/identification.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
      {"QUARTZLINE,HXA5610", 5},
      {"QUARTZLINE,HXA5", 5},  // "5" followed by nothing at all
      {"QUARTZLINE,KRV1700,1", 6},
      {"QUARTZLINE,HXA4520", 7},
      {"QUARTZLINE,ZTQ1200,7,2.01", 8},
      {"QUARTZLINE,ZTQ", 8},
      {"Marbleway,anything at all", 8},
      {"Marbleway,", 8},
      {"QUARTZLINE,KRV1800", 0},  // another KRV model
      {"QUARTZLINE,DWTX1700", 0},
      {"QUARTZLINE,DWTX", 0},
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

class Identify : public ::testing::Test {
 protected:
  void StartLan(const std::vector<std::string>& args) {
    std::string error;
    ASSERT_TRUE(StartLanSim(sim_, link_, args, &error)) << error;
  }
  // The "*IDN?" queries the simulator received.
  size_t Queries() const {
    std::string in = TranscriptBytes(sim_.Transcript(), "in");
    size_t count = 0;
    for (size_t at = in.find("*IDN?\n"); at != std::string::npos; at = in.find("*IDN?\n", at + 1)) ++count;
    return count;
  }
  void TearDown() override { qb::LinkControl(qb::LINK_CLOSE, &link_); }
  SimProcess sim_;
  InstrumentLink link_;
  UiRecorder ui_;
};

TEST_F(Identify, ConnectModeAnswersOnlyTheThirdQueryAndLeavesTheLinkOpen) {
  StartLan({"--model", "ztq", "--answer-from", "3"});
  long long start = NowMs();
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, false, 0));
  long long took = NowMs() - start;
  EXPECT_EQ(link_.family, qb::FAMILY_ZTQ);
  EXPECT_STREQ(link_.identification, "QUARTZLINE,ZTQ1200,7,2.01");
  EXPECT_EQ(Queries(), 3u);
  // Two failed attempts of 100 ms each, after the 100 ms drain of the open.
  EXPECT_GE(took, 300);
  EXPECT_LT(took, 1500);
  EXPECT_TRUE(ui_.Boxes().empty());
  EXPECT_EQ(ui_.WaitCursorsShown(), 0);
  EXPECT_EQ(qb::LanReadTimeout, 5000u);
  // Still open: it answers.
  ASSERT_EQ(qb::SendCommand("*IDN?\n", &link_), 0);
  char reply[128];
  EXPECT_GT(qb::ReadReply(reply, sizeof reply, &link_), 0);
}

TEST_F(Identify, CheckModeTakesLongerPerAttemptAndClosesTheLink) {
  StartLan({"--model", "hxa", "--answer-from", "3"});
  long long start = NowMs();
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, false, 1));
  long long took = NowMs() - start;
  EXPECT_EQ(link_.family, qb::FAMILY_HXA15);
  EXPECT_EQ(Queries(), 3u);
  EXPECT_GE(took, 1100);  // two attempts of 500 ms after the 100 ms drain
  EXPECT_LT(took, 3000);
  EXPECT_TRUE(ui_.Boxes().empty());  // not reporting
  EXPECT_EQ(ui_.WaitCursorsShown(), 1);
  EXPECT_EQ(ui_.CursorsRestored(), 1);
  EXPECT_EQ(link_.socket, qb::kNoHandle);
  EXPECT_EQ(qb::LanReadTimeout, 5000u);
}

TEST_F(Identify, ReportsSuccessWithTheReply) {
  StartLan({"--model", "hxa55"});
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, true, 0));
  EXPECT_EQ(link_.family, qb::FAMILY_HXA55);
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].text, "The connection was successful\nQUARTZLINE,HXA5510,0,3.02");
  EXPECT_EQ(ui_.Boxes()[0].caption, "Test Connection");
  EXPECT_EQ(ui_.Boxes()[0].flags, 0x40u);
  EXPECT_EQ(Queries(), 1u);
}

TEST_F(Identify, AKnownMakerWithAnUnknownModelFailsTheCheckWithTwoMessages) {
  StartLan({"--idn", "QUARTZLINE,KRV1800,0,1.00"});
  link_.family = qb::FAMILY_ZTQ;
  EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &link_, true, 0));
  EXPECT_EQ(link_.family, 0);
  EXPECT_STREQ(link_.identification, "QUARTZLINE,KRV1800,0,1.00");
  ASSERT_EQ(ui_.Boxes().size(), 2u);
  EXPECT_EQ(ui_.Boxes()[0].text, "The connection failedQUARTZLINE,KRV1800,0,1.00");
  EXPECT_EQ(ui_.Boxes()[0].flags, 0x40u);
  EXPECT_EQ(ui_.Boxes()[1].text, "The connection failed");
  EXPECT_EQ(ui_.Boxes()[1].caption, "Test Connection");
  EXPECT_EQ(ui_.Boxes()[1].flags, 0x30u);
  EXPECT_EQ(Queries(), 1u);  // an accepted prefix ends the attempts
}

TEST_F(Identify, AnInstrumentThatNeverAnswers) {
  StartLan({"--silent"});
  snprintf(link_.identification, sizeof link_.identification, "previous");
  link_.family = qb::FAMILY_HXA26;
  // Check mode: five attempts, then one failure message; nothing is kept.
  EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &link_, true, 0));
  EXPECT_STREQ(link_.identification, "previous");
  EXPECT_EQ(link_.family, qb::FAMILY_HXA26);
  ASSERT_EQ(ui_.Boxes().size(), 1u);
  EXPECT_EQ(ui_.Boxes()[0].text, "The connection failed");
  EXPECT_EQ(ui_.Boxes()[0].flags, 0x30u);
  EXPECT_EQ(Queries(), 5u);
  // Connect mode succeeds with an empty identification and the family kept.
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, false, 0));
  EXPECT_STREQ(link_.identification, "");
  EXPECT_EQ(link_.family, qb::FAMILY_HXA26);
  EXPECT_EQ(Queries(), 10u);
  EXPECT_EQ(ui_.Boxes().size(), 1u);
}

TEST_F(Identify, AnUnknownMakerIsKeptByConnectModeAndFailsTheCheck) {
  StartLan({"--idn", "ACME,DMM99,1"});
  link_.family = qb::FAMILY_ZTQ;
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, false, 0));
  EXPECT_STREQ(link_.identification, "ACME,DMM99,1");
  EXPECT_EQ(link_.family, qb::FAMILY_ZTQ);
  EXPECT_EQ(Queries(), 5u);  // it is asked five times all the same
  qb::LinkControl(qb::LINK_CLOSE, &link_);
  snprintf(link_.identification, sizeof link_.identification, "kept");
  EXPECT_FALSE(qb::IdentifyInstrument(nullptr, &link_, false, 1));
  EXPECT_STREQ(link_.identification, "kept");
  EXPECT_TRUE(ui_.Boxes().empty());
}

TEST_F(Identify, AnOverlongReplyIsCutTo127Characters) {
  StartLan({"--idn", "QUARTZLINE,ZTQ" + std::string(200, '7')});
  EXPECT_TRUE(qb::IdentifyInstrument(nullptr, &link_, false, 0));
  EXPECT_EQ(strlen(link_.identification), 127u);
  EXPECT_EQ(link_.family, qb::FAMILY_ZTQ);
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
