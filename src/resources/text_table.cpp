// The TextTable's contents. Entries not listed are empty.
#include "resources/text_table.h"

namespace qb {

namespace {

struct Entry {
  int index;
  const char* text;
};

const Entry kEntries[] = {
    {TXT_PROGRAM_NAME, "Vantor"},
    {TXT_SEND, "Send"},
    {TXT_ABOUT_NOTICE, "Terminal for Quartzline measuring instruments. Copyright Quartzline."},
    {TXT_VERSION, "v1.0a      25th June 2014"},
    {TXT_SELECT_UPGRADE_FILE, "Select Firmware Upgrade File"},
    {TXT_UPGRADE_FIRMWARE, "Upgrade Firmware"},
    {TXT_NO_LOAD_LINES, "No valid load lines found in the upgrade descriptor file"},
    {TXT_UPGRADE_THREAD_FAILED, "Failed to start the firmware upgrade thread!"},
    {TXT_FINISHED, "Finished"},
    {TXT_INITIALISING, "Initialising Instrument"},
    {TXT_ERASING_SECTOR, "Erasing sector %d"},
    {TXT_INIT_FAILED, "ERROR: Instrument failed to initialise"},
    {TXT_INIT_OK, "Instrument initialised OK"},
    {TXT_ERASE_FAILED, "ERROR: Failed to erase sector %d"},
    {TXT_ERASE_OK, "All sectors erased OK"},
    {TXT_SENDING_FILE, "Sending file %s"},
    {TXT_SEND_FILE_FAILED, "ERROR: Failed to send file %s"},
    {TXT_FIRMWARE_SENT, "Firmware sent OK"},
    {TXT_RESTARTING, "Restarting Instrument"},
    {TXT_COMMS_FAILED, "Comms Failed - the connection will be closed"},
    {TXT_RUN, "Run"},
    {TXT_STEP, "Step"},
    {TXT_CLOSE, "Close"},
    {TXT_SELECT_UPGRADE_FILE_2, "Select Firmware Upgrade File"},
    {TXT_UNABLE_TO_READ_FILE, "Unable to read file %s"},
    {TXT_NOT_A_SCRIPT, "%s does not appear to be a script file"},
    {TXT_STOP, "Stop"},
    {TXT_SEND_ERROR_LINE, "ERROR SENDING THIS COMMAND\r\n"},
    {TXT_TIMEOUT_LINE, "TIMEOUT\r\n"},
    {TXT_SCRIPT_PAUSED, "! Press Close to abort script or Press Run to continue"},
    {TXT_CHOOSE_MAIN_HEX, "Please choose the main hex file for the Instrument to upgrade"},
    {TXT_RECONNECT_QUESTION,
     "A problem has occurred trying to read data from the instrument. Would you like to attempt to re-establish "
     "communications?"},
    {TXT_SELECT_SCRIPT_FILE, "Select Script File"},
    {TXT_NO_INSTRUMENT_CONTINUE, "No instrument was detected.\n\nDo you want to try and continue with the upgrade"},
    {TXT_WRONG_INSTRUMENT, "The upgrade file is for a %s. You are connected to a %s\n\nDo you want to continue?\n"},
    {TXT_REPORT_INSTRUMENT, "\\cf4 Instrument: \\cf0 %s\\par"},
    {TXT_REPORT_TARGET, "\\cf4 Target: \\cf0 %s\\par"},
    {TXT_SAVE_QZL, "Save QZL file"},
    {TXT_OPEN_QZL, "Open QZL file"},
    {TXT_COLUMN_ID, "Id"},
    {TXT_COLUMN_NAME, "Name"},
    {TXT_COLUMN_DATE, "Date"},
    {TXT_UPLOAD_QZL, "Upload QZL file"},
    {TXT_OVERWRITE_QZL, "Overwrite with QZL file"},
};

}  // namespace

const char* TextTableEntry(int index) {
  for (const Entry& e : kEntries) {
    if (e.index == index) return e.text;
  }
  return "";
}

}  // namespace qb
