// The Connect dialog's procedure: fills its lists, switches the controls with
// the interface, and turns its buttons into identification, settings writes
// and the LAN search. The decisions live in connect_settings.cpp.
#include "connection/connect_dialog_win.h"

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "common/front_end.h"
#include "common/ui_seam.h"
#include "connection/connect_settings.h"
#include "connection/connect_settings_win.h"
#include "connection/identification.h"
#include "link/instrument_link.h"
#include "link/lan_search_win.h"
#include "resources/resource.h"

namespace qb {

namespace {

// The dialog's parameter, passed on as identification's probe argument.
LPARAM DialogParameter = 0;

std::string ComboSelection(HWND dialog, int id) {
  HWND combo = GetDlgItem(dialog, id);
  LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return "";
  LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length <= 0 || length > 255) return "";
  char text[256] = "";
  SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
  return text;
}

void SelectExact(HWND dialog, int id, const char* text) {
  HWND combo = GetDlgItem(dialog, id);
  LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  if (index != CB_ERR) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void FillComPorts(HWND dialog) {
  HWND combo = GetDlgItem(dialog, IDC_COM_PORT);
  for (int n = 1; n <= 254; ++n) {
    char path[32];
    snprintf(path, sizeof path, "\\\\.\\COM%d", n);
    HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    bool opened = port != INVALID_HANDLE_VALUE;
    DWORD error = opened ? 0 : GetLastError();
    if (opened) CloseHandle(port);
    if (ComProbeListsPort(opened, error))
      SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path + 4));  // without "\\.\"
  }
}

void ShowControl(HWND dialog, int id, bool show) {
  ShowWindow(GetDlgItem(dialog, id), show ? SW_SHOW : SW_HIDE);
}

void ApplyInterfaceLayout(HWND dialog) {
  int index = static_cast<int>(SendDlgItemMessageA(dialog, IDC_INTERFACE, CB_GETCURSEL, 0, 0));
  InterfaceLayout layout = LayoutForInterface(index);
  ShowControl(dialog, IDC_IP_ADDRESS, layout.showIpAddress);
  ShowControl(dialog, IDC_LAN_SEARCH, layout.showIpAddress);
  ShowControl(dialog, IDC_COM_PORT, layout.showComPort);
  ShowControl(dialog, IDC_BAUD_RATE, layout.showBaudRate);
  ShowControl(dialog, IDC_BAUD_LABEL, layout.showBaudRate);
  EnableWindow(GetDlgItem(dialog, IDC_BAUD_RATE), layout.enableBaudRate);
  EnableWindow(GetDlgItem(dialog, IDC_BAUD_LABEL), layout.enableBaudRate);
  SetDlgItemTextA(dialog, IDC_PORT_LABEL, layout.portLabel);
}

// Puts a dotted address into the IP control's four fields as well: some
// implementations of the control keep a WM_SETTEXT text without showing it.
void ShowAddressInFields(HWND dialog, const char* address) {
  unsigned a, b, c, d;
  char rest;
  if (std::sscanf(address, "%3u.%3u.%3u.%3u%c", &a, &b, &c, &d, &rest) != 4 || a > 255 || b > 255 || c > 255 || d > 255)
    return;
  SendDlgItemMessageA(dialog, IDC_IP_ADDRESS, IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
}

void ReadConnectDialog(HWND dialog) {
  ConnectDialogValues values;
  values.interfaceIndex = static_cast<int>(SendDlgItemMessageA(dialog, IDC_INTERFACE, CB_GETCURSEL, 0, 0));
  values.comPort = ComboSelection(dialog, IDC_COM_PORT);
  values.baudRate = ComboSelection(dialog, IDC_BAUD_RATE);
  char ip[128] = "";
  GetDlgItemTextA(dialog, IDC_IP_ADDRESS, ip, sizeof ip);
  values.ipAddress = ip;
  ApplyConnectDialog(values, MainLink);
}

bool ValidateConnectSettings(HWND dialog) {
  const char* problem = ConnectSettingsProblem(MainLink);
  if (!problem) return true;
  ShowMessageBox(dialog, problem, "Test Connection", kMbIconInformation);
  return false;
}

void InitDialog(HWND dialog, LPARAM parameter) {
  DialogParameter = parameter;
  for (const char* name : kInterfaceNames)
    SendDlgItemMessageA(dialog, IDC_INTERFACE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
  FillComPorts(dialog);
  for (const char* rate : kBaudRateNames)
    SendDlgItemMessageA(dialog, IDC_BAUD_RATE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rate));
  if (MainLink.kind > 0) {
    SendDlgItemMessageA(dialog, IDC_INTERFACE, CB_SETCURSEL, static_cast<WPARAM>(MainLink.kind - 1), 0);
    ApplyInterfaceLayout(dialog);
  }
  if (MainLink.portName[0]) SelectExact(dialog, IDC_COM_PORT, MainLink.portName);
  if (MainLink.baudRate) SelectExact(dialog, IDC_BAUD_RATE, std::to_string(MainLink.baudRate).c_str());
  SetDlgItemTextA(dialog, IDC_IP_ADDRESS, MainLink.ipAddress);
  ShowAddressInFields(dialog, MainLink.ipAddress);
  HANDLE icon = LoadImageA(static_cast<HINSTANCE>(DialogInstance()), MAKEINTRESOURCEA(IDI_QUILLBOX_ALT), IMAGE_ICON, 16,
                           16, LR_SHARED);
  SendDlgItemMessageA(dialog, IDC_LAN_SEARCH, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
  if (parameter != 0) ShowControl(dialog, IDC_TEST, true);
}

void OnConnect(HWND dialog) {
  MainLink.ConnectedFlag = false;
  MainLink.family = 0;
  ReadConnectDialog(dialog);
  if (MainLink.kind != LINK_NONE && !ValidateConnectSettings(dialog)) return;
  MainLink.ConnectedFlag = IdentifyInstrument(dialog, &MainLink, false, static_cast<int>(DialogParameter));
  EndDialog(dialog, MainLink.identification[0] ? 1 : 2);
}

void OnTest(HWND dialog) {
  ReadConnectDialog(dialog);
  if (ValidateConnectSettings(dialog)) IdentifyInstrument(dialog, &MainLink, true, 0);
}

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      InitDialog(dialog, lParam);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_INTERFACE:
          if (HIWORD(wParam) == CBN_SELENDOK) ApplyInterfaceLayout(dialog);
          return TRUE;
        case IDC_CONNECT:
          OnConnect(dialog);
          return TRUE;
        case IDC_TEST:
          OnTest(dialog);
          return TRUE;
        case IDC_LAN_SEARCH:
          FindInstruments(dialog);
          return TRUE;
        case IDC_SAVE_DEFAULT:
          ReadConnectDialog(dialog);
          SaveConnectionSettings(SettingsFilePath(), MainLink);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, 2);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

INT_PTR RunConnectDialog(HWND owner) {
  return DialogBoxParamA(static_cast<HINSTANCE>(DialogInstance()), MAKEINTRESOURCEA(IDD_CONNECT), owner,
                         ConnectDialogProc, 0);
}

}  // namespace qb
