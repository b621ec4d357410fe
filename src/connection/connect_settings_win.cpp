// The Connect dialog's defaults read from and written to the settings file
// with the private-profile functions.
#include "connection/connect_settings_win.h"

#include <windows.h>

#include <string>

#include "connection/connect_settings.h"

namespace qb {

namespace {

std::string ReadText(const char* file, const char* key, size_t size) {
  std::string text(size, '\0');
  DWORD n = GetPrivateProfileStringA("Connect", key, "", &text[0], static_cast<DWORD>(size), file);
  text.resize(n);
  return text;
}

long ReadInt(const char* file, const char* key) {
  return static_cast<long>(GetPrivateProfileIntA("Connect", key, 0, file));
}

}  // namespace

std::string LocalAppDataFolder() {
  std::string folder;
  HMODULE library = LoadLibraryA("SHFOLDER.DLL");
  if (!library) return folder;
  typedef HRESULT(WINAPI * GetFolderPath)(HWND, int, HANDLE, DWORD, LPSTR);
  GetFolderPath get =
      reinterpret_cast<GetFolderPath>(reinterpret_cast<void*>(GetProcAddress(library, "SHGetFolderPathA")));
  char path[MAX_PATH] = "";
  if (get && SUCCEEDED(get(nullptr, 0x1C /* CSIDL_LOCAL_APPDATA */, nullptr, 1 /* SHGFP_TYPE_DEFAULT */, path)))
    folder = path;
  FreeLibrary(library);
  return folder;
}

void LoadConnectionSettings(const char* settingsFile, InstrumentLink& link) {
  if (!settingsFile || !*settingsFile) return;
  ApplyStoredConnection(ReadInt(settingsFile, "Interface"), ReadText(settingsFile, "ComPort", 7),
                        ReadInt(settingsFile, "BaudRate"), ReadText(settingsFile, "IPAddr", 16), link);
}

void SaveConnectionSettings(const char* settingsFile, const InstrumentLink& link) {
  if (!settingsFile || !*settingsFile) return;
  WritePrivateProfileStringA("Connect", "Interface", std::to_string(link.kind).c_str(), settingsFile);
  WritePrivateProfileStringA("Connect", "ComPort", link.portName, settingsFile);
  WritePrivateProfileStringA("Connect", "BaudRate", std::to_string(link.baudRate).c_str(), settingsFile);
  WritePrivateProfileStringA("Connect", "IPAddr", link.ipAddress, settingsFile);
}

}  // namespace qb
