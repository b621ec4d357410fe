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

TEST(ConnectDialog, ReadingTheControlsFillsTheLink) {
  InstrumentLink link = Blank();
  ConnectDialogValues v;
  v.interfaceIndex = 2;
  v.comPort = "COM12";
  v.baudRate = "38400";
  v.ipAddress = "0.0.0.0";
  ApplyConnectDialog(v, link);
  EXPECT_EQ(link.kind, LINK_SERIAL);
  EXPECT_STREQ(link.portName, "COM12");
  EXPECT_EQ(link.baudRate, 38400);
  EXPECT_STREQ(link.ipAddress, "");  // the IP control's empty state

  // USB forces 19200 whatever the list shows; nothing selected keeps the rest.
  v = ConnectDialogValues();
  v.interfaceIndex = 0;
  v.baudRate = "1200";
  v.ipAddress = "192.168.100.200";
  ApplyConnectDialog(v, link);
  EXPECT_EQ(link.kind, LINK_USB);
  EXPECT_STREQ(link.portName, "COM12");
  EXPECT_EQ(link.baudRate, 19200);
  EXPECT_STREQ(link.ipAddress, "192.168.100.200");

  // An over-long address text is cut to the field's 15 characters.
  v.ipAddress = "1234567890123456789";
  ApplyConnectDialog(v, link);
  EXPECT_STREQ(link.ipAddress, "123456789012345");
  v.comPort = "COM1234567";
  ApplyConnectDialog(v, link);
  EXPECT_STREQ(link.portName, "COM123");
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
// silent instrument, or an upgrade that could not reopen it, shows as failed.
TEST(ConnectDialog, TheShownStateFollowsTheLink) {
  struct Row {
    bool flag;
    const char* identification;
    int32_t family;
    bool connected, close;
    int mode;
  } rows[] = {
      {true, "HXA,1550,123456,1.2", 1, true, false, 1},
      {true, "ZTQ,X,1,2", 8, true, false, 2},
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

TEST(ConnectDialog, DictionaryModeFollowsTheFamily) {
  EXPECT_EQ(DictionaryModeForFamily(0), 0);
  for (int family = 1; family <= 5; ++family) EXPECT_EQ(DictionaryModeForFamily(family), 1);
  EXPECT_EQ(DictionaryModeForFamily(6), 0);
  EXPECT_EQ(DictionaryModeForFamily(7), 0);
  EXPECT_EQ(DictionaryModeForFamily(8), 2);
}

}  // namespace
