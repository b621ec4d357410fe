/* Resource identifiers and command ids shared by the resource script and the
   program. Kept to plain #defines so that the resource compiler reads it too. */
#ifndef QUILLBOX_RESOURCE_H
#define QUILLBOX_RESOURCE_H

/* Resources */
#define IDI_QUILLBOX 106
#define IDI_QUILLBOX_ALT 154
#define IDR_MAINMENU 109
#define IDR_ACCELERATORS 109
#define IDD_ABOUT 103
#define IDD_CONNECT 121
#define IDD_CHOOSE_INSTRUMENT 153
#define IDD_FIRMWARE_FILES 151
#define IDD_UPGRADE_FIRMWARE 152

/* About dialog */
#define IDC_ABOUT_ICON 2
#define IDC_ABOUT_NAME 110
#define IDC_ABOUT_VERSION 111
#define IDC_ABOUT_NOTICE 1008

/* Labels that no code reaches */
#define IDC_STATIC -1

/* Connect dialog */
#define IDC_CONNECT 112
#define IDC_TEST 116
#define IDC_SAVE_DEFAULT 120
#define IDC_INTERFACE 113
#define IDC_COM_PORT 114
#define IDC_BAUD_RATE 115
#define IDC_IP_ADDRESS 117
#define IDC_PORT_LABEL 118
#define IDC_BAUD_LABEL 119
#define IDC_LAN_SEARCH 1006

/* "Please Choose Instrument" dialog */
#define IDC_INSTRUMENT_LIST 1007

/* Firmware Files List and Upgrade Firmware dialogs */
#define IDC_UPGRADE_ACCEPT 1000
#define IDC_UPGRADE_REPORT 1001
#define IDC_UPGRADE_START 1002
#define IDC_UPGRADE_LOG 1003
#define IDC_UPGRADE_PROGRESS 1004
#define IDC_UPGRADE_STATUS 1005

/* Main-window menu and button commands */
#define CMD_ABOUT 104
#define CMD_EXIT 105
#define CMD_APPLY_CONNECTED_STATE 122
#define CMD_FOCUS_COMMAND_LINE 123
#define CMD_RECALL_FROM_RESULTS 124
#define CMD_HISTORY_UP 126
#define CMD_HISTORY_DOWN 127
#define CMD_CONNECTION 32771
#define CMD_UNASSIGNED_32772 32772
#define CMD_CLEAR_RESULTS 32773
#define CMD_UPGRADE_FIRMWARE 32774
#define CMD_DISCONNECT 32775
#define CMD_SCRIPT 32776
#define CMD_SCREEN_CAPTURE 32777
#define CMD_UNASSIGNED_32783 32783
#define CMD_DOWNLOAD_RESULTS 32784
#define CMD_PROGRAM_MANAGEMENT 32787

/* Main-window child controls */
#define IDC_RESULTS_PANE 18000
#define IDC_COMMAND_LINE 18001
#define IDC_SEND_BUTTON 18002
#define IDC_SCRIPT_LIST 18003
#define IDC_RUN_STOP_BUTTON 18004
#define IDC_STEP_BUTTON 18005
#define IDC_SCRIPT_CLOSE_BUTTON 18006
#define IDC_ASSIST_LINE_TOP 18007
#define IDC_ASSIST_LINE_MIDDLE 18008
#define IDC_ASSIST_LINE_BOTTOM 18009

#define CMD_SEND IDC_SEND_BUTTON
#define CMD_RUN_STOP IDC_RUN_STOP_BUTTON
#define CMD_STEP IDC_STEP_BUTTON
#define CMD_CLOSE_SCRIPT IDC_SCRIPT_CLOSE_BUTTON

/* Private window messages to the command line */
#define MSG_SET_DICTIONARY_MODE 19998
#define MSG_SET_CHAINED_PROC 19999
#define MSG_COMPLETE_KEY 0x800F

/* The main window's poll timer */
#define POLL_TIMER_ID 1117
#define POLL_TIMER_MS 50

/* Progress dialog of a background task */
#define IDD_PROGRESS 156
#define IDC_PROGRESS_BAR 1014
#define IDC_PROGRESS_STATUS 1015
#define IDC_PROGRESS_LINE 1016

/* Screen Capture dialog */
#define IDD_SCREEN_CAPTURE 155
#define IDC_CAPTURE_COLOUR 1024
#define IDC_CAPTURE_MONO 1025
#define IDC_CAPTURE_DOWNLOAD 1009
#define IDC_CAPTURE_SAVE 1010
#define IDC_CAPTURE_COPY 1011
#define CMD_CAPTURE_REPAINT 1012

/* Programs dialog (the instrument's stored programs) */
#define IDD_PROGRAMS 158
#define IDC_LOAD_DEFAULT 1027
#define IDC_PROGRAMS_LABEL 1028
#define IDC_UPLOAD_QZL 1029
#define IDC_DOWNLOAD_QZL 1030
#define IDC_DELETE_PROGRAM 1031
#define IDC_PROGRAM_LIST 1032

/* Download Results dialog */
#define IDD_DOWNLOAD_RESULTS 157
#define IDC_DOWNLOAD_TXT 1009
#define IDC_RESULT_LIST 1017
#define IDC_ADD_RESULT 1018
#define IDC_DIRECTORY_LABEL 1019
#define IDC_RESCAN 1020
#define IDC_QUEUE_LIST 1021
#define IDC_DOWNLOAD_DIRECTORY 1022
#define IDC_REMOVE_RESULT 1023
#define IDC_BROWSE 1026
#define IDC_DOWNLOAD_QZL_RESULTS 1033

#endif
