// The program's numbered user-interface texts: captions, button labels,
// messages and the templates of the upgrade report. Most of the hundred
// entries are empty.
#pragma once

namespace qb {

constexpr int kTextTableSize = 100;

enum TextId {
  TXT_PROGRAM_NAME = 0,
  TXT_SEND = 1,
  TXT_ABOUT_NOTICE = 10,
  TXT_VERSION = 11,
  TXT_SELECT_UPGRADE_FILE = 31,
  TXT_UPGRADE_FIRMWARE = 32,
  TXT_NO_LOAD_LINES = 33,
  TXT_UPGRADE_REPORT = 35,
  TXT_UPGRADE_THREAD_FAILED = 37,
  TXT_FINISHED = 38,
  TXT_INITIALISING = 39,
  TXT_ERASING_SECTOR = 40,
  TXT_INIT_FAILED = 41,
  TXT_INIT_OK = 42,
  TXT_ERASE_FAILED = 43,
  TXT_ERASE_OK = 44,
  TXT_SENDING_FILE = 45,
  TXT_SEND_FILE_FAILED = 46,
  TXT_FIRMWARE_SENT = 47,
  TXT_RESTARTING = 48,
  TXT_COMMS_FAILED = 49,
  TXT_RUN = 54,
  TXT_STEP = 55,
  TXT_CLOSE = 56,
  TXT_SELECT_UPGRADE_FILE_2 = 57,
  TXT_UNABLE_TO_READ_FILE = 58,
  TXT_NOT_A_SCRIPT = 59,
  TXT_STOP = 60,
  TXT_SEND_ERROR_LINE = 61,
  TXT_TIMEOUT_LINE = 62,
  TXT_SCRIPT_PAUSED = 63,
  TXT_CHOOSE_MAIN_HEX = 64,
  TXT_RECONNECT_QUESTION = 65,
  TXT_SELECT_SCRIPT_FILE = 66,
  TXT_NO_INSTRUMENT_CONTINUE = 67,
  TXT_WRONG_INSTRUMENT = 68,
  TXT_REPORT_INSTRUMENT = 69,
  TXT_REPORT_TARGET = 70,
  TXT_SAVE_QZL = 75,
  TXT_OPEN_QZL = 76,
  TXT_COLUMN_ID = 80,
  TXT_COLUMN_NAME = 81,
  TXT_COLUMN_DATE = 82,
  TXT_UPLOAD_QZL = 85,
  TXT_OVERWRITE_QZL = 86,
};

// The text of an entry; "" for an empty entry or an index outside the table.
const char* TextTableEntry(int index);

}  // namespace qb
