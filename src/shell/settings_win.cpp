// Reads and writes the settings file with the private-profile functions.
#include "shell/settings_win.h"

#include <direct.h>
#include <sys/stat.h>

#include <ctime>

#include "connection/connect_settings.h"
#include "connection/connect_settings_win.h"
#include "shell/settings.h"

namespace qb {

std::string SettingsFolder;
std::string SettingsFile;
int SavedWindowWidth = 0;
int SavedWindowHeight = 0;

namespace {

long ReadInt(const char* section, const char* key, long fallback) {
  return static_cast<long>(GetPrivateProfileIntA(section, key, static_cast<INT>(fallback), SettingsFile.c_str()));
}

void WriteText(const char* section, const char* key, const std::string& value) {
  WritePrivateProfileStringA(section, key, value.c_str(), SettingsFile.c_str());
}

}  // namespace

void LoadSettings() {
  std::string localAppData = LocalAppDataFolder();
  SettingsFolder = SettingsFolderFor(localAppData);
  SettingsFile = SettingsFileFor(SettingsFolder);
  struct _stat st;
  if (_stat(SettingsFile.c_str(), &st) != 0) {
    _mkdir((localAppData + "\\Quartzline").c_str());
    _mkdir(SettingsFolder.c_str());
    std::time_t now = std::time(nullptr);
    std::tm local = *std::localtime(&now);
    WriteText("Init", "Created", FormatCreatedStamp(local));
  }
  LoadConnectionSettings(SettingsFile.c_str(), MainLink);
  long height = ReadInt("Init", "MainWindowHeight", -1);
  if (StoredSizeUsable(height, GetSystemMetrics(SM_CYSCREEN))) SavedWindowHeight = static_cast<int>(height);
  long width = ReadInt("Init", "MainWindowWidth", -1);
  if (StoredSizeUsable(width, GetSystemMetrics(SM_CXSCREEN))) SavedWindowWidth = static_cast<int>(width);
}

void SaveWindowSize(HWND main) {
  RECT r;
  if (!GetWindowRect(main, &r)) return;
  long height = r.bottom - r.top, width = r.right - r.left;
  long storedHeight = ReadInt("Init", "MainWindowHeight", -1);
  if (ShouldSaveSize(height, storedHeight, GetSystemMetrics(SM_CYSCREEN)))
    WriteText("Init", "MainWindowHeight", std::to_string(height));
  long storedWidth = ReadInt("Init", "MainWindowWidth", -1);
  if (ShouldSaveSize(width, storedWidth, GetSystemMetrics(SM_CXSCREEN)))
    WriteText("Init", "MainWindowWidth", std::to_string(width));
}

}  // namespace qb
