// The Connect dialog's rules: interface layout, reading the controls into the
// link, validation messages, the COM port probe and stored defaults.
#include "connection/connect_settings.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace qb;

namespace {

InstrumentLink Blank() {
  InstrumentLink link;
  memset(&link, 0, sizeof link);
  return link;
}

TEST(ConnectDialog, InterfaceChoiceDecidesWhatIsShown) {
  InterfaceLayout lan = LayoutForInterface(1);
  EXPECT_TRUE(lan.showIpAddress);
  EXPECT_FALSE(lan.showComPort);
  EXPECT_FALSE(lan.showBaudRate);
  EXPECT_STREQ(lan.portLabel, "IP Address:");
  InterfaceLayout usb = LayoutForInterface(0);
  EXPECT_TRUE(usb.showComPort);
  EXPECT_TRUE(usb.showBaudRate);
  EXPECT_FALSE(usb.enableBaudRate);  // shown, but disabled: USB is always 19200
  EXPECT_STREQ(usb.portLabel, "Com Port:");
  EXPECT_TRUE(LayoutForInterface(2).enableBaudRate);
  // Nothing chosen yet: the COM and baud controls show.
  EXPECT_TRUE(LayoutForInterface(-1).showComPort);
  EXPECT_FALSE(LayoutForInterface(-1).showIpAddress);
}

// The dialog's values read one after another into the same link: what a
// value leaves empty keeps the link's setting, USB forces 19200 whatever the
// list shows, "0.0.0.0" is the IP control's empty state, and long texts are
// cut to the fields (6 and 15 characters).
TEST(ConnectDialog, ReadingTheControlsFillsTheLink) {
  const struct {
    ConnectDialogValues values;
    int32_t kind;
    const char* port;
    int32_t baud;
    const char* ip;
  } kSteps[] = {
      {{2, "COM12", "38400", "0.0.0.0"}, LINK_SERIAL, "COM12", 38400, ""},
      {{0, "", "1200", "192.168.100.200"}, LINK_USB, "COM12", 19200, "192.168.100.200"},
      {{-1, "COM1234567", "", "1234567890123456789"}, LINK_USB, "COM123", 19200, "123456789012345"},
  };
  InstrumentLink link = Blank();
  for (const auto& step : kSteps) {
    SCOPED_TRACE(step.values.ipAddress);
    ApplyConnectDialog(step.values, link);
    EXPECT_EQ(link.kind, step.kind);
    EXPECT_STREQ(link.portName, step.port);
    EXPECT_EQ(link.baudRate, step.baud);
    EXPECT_STREQ(link.ipAddress, step.ip);
  }
}

TEST(ConnectDialog, ValidationSaysWhatIsMissing) {
  InstrumentLink link = Blank();
  EXPECT_EQ(ConnectSettingsProblem(link), nullptr);  // kind 0 is not checked
  link.kind = LINK_LAN;
  EXPECT_STREQ(ConnectSettingsProblem(link), "Please enter an IP address");
  strcpy(link.ipAddress, "10.0.0.5");
  EXPECT_EQ(ConnectSettingsProblem(link), nullptr);
  link.kind = LINK_SERIAL;
  EXPECT_STREQ(ConnectSettingsProblem(link), "Please select a COM Port");
  strcpy(link.portName, "COM3");
  EXPECT_STREQ(ConnectSettingsProblem(link), "Please choose a baudrate");
  link.baudRate = 9600;
  EXPECT_EQ(ConnectSettingsProblem(link), nullptr);
  link.kind = LINK_USB;
  link.baudRate = 0;
  EXPECT_STREQ(ConnectSettingsProblem(link), "Please choose a baudrate");
}

TEST(ConnectDialog, BusyPortsAreListedOthersSkipped) {
  EXPECT_TRUE(ComProbeListsPort(true, 0));
  EXPECT_TRUE(ComProbeListsPort(false, 5));
  EXPECT_TRUE(ComProbeListsPort(false, 31));
  EXPECT_TRUE(ComProbeListsPort(false, 32));
  EXPECT_FALSE(ComProbeListsPort(false, 2));  // file not found
  EXPECT_FALSE(ComProbeListsPort(false, 3));
}

TEST(ConnectDialog, DamagedStoredDefaultsReadAsNotChosen) {
  InstrumentLink link = Blank();
  ApplyStoredConnection(2, "COM7", 9600, "10.1.2.3", link);
  EXPECT_EQ(link.kind, LINK_LAN);
  EXPECT_STREQ(link.portName, "COM7");
  EXPECT_EQ(link.baudRate, 9600);
  EXPECT_STREQ(link.ipAddress, "10.1.2.3");
  ApplyStoredConnection(7, "COMCOMCOMCOM", -5, "garbage-garbage-garbage", link);
  EXPECT_EQ(link.kind, LINK_NONE);
  EXPECT_STREQ(link.portName, "COMCOM");
  EXPECT_EQ(link.baudRate, 0);
  EXPECT_STREQ(link.ipAddress, "garbage-garbage");
}

// The window's look, the message and the link agree: a link that opened on a
// silent instrument, or an upgrade that could not reopen it, shows as failed;
// the command set follows the family (HXA families 1 to 5, ZTQ 8).
TEST(ConnectDialog, TheShownStateFollowsTheLink) {
  struct Row {
    bool flag;
    const char* identification;
    int32_t family;
    bool connected, close;
    int mode;
  } rows[] = {
      {true, "HXA,1550,123456,1.2", 1, true, false, 1},
      {true, "HXA,5610", 5, true, false, 1},
      {true, "ZTQ,X,1,2", 8, true, false, 2},
      {true, "KRV,1700", 6, true, false, 0},  // a family without a command set
      {true, "Other Maker,9", 0, true, false, 0},          // answered, not recognised
      {true, "", 0, false, true, 0},                       // opened, nothing answered
      {false, "HXA,1550,123456,1.2", 1, false, false, 0},  // reopening failed
      {false, "", 0, false, false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.identification);
    InstrumentLink link = MakeClosedLink();
    link.ConnectedFlag = row.flag;
    link.family = row.family;
    CopyField(link.identification, sizeof link.identification, row.identification, 160);
    ShownLinkState shown = ShownStateOf(link);
    EXPECT_EQ(shown.connected, row.connected);
    EXPECT_EQ(shown.closeLink, row.close);
    EXPECT_EQ(shown.dictionaryMode, row.mode);
    EXPECT_STREQ(shown.outcome, row.connected ? "Connection Successful" : "Connection Failed");
  }
}

}  // namespace
