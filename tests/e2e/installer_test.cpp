// The release's installer, run silently in this Wine prefix for each install
// mode: the Start-menu shortcut "Vantor" points at the installed program,
// which starts and closes with exit code 0; the silent uninstaller then leaves
// nothing of the installation behind but the user's settings file, which it
// removes only when asked to. The installer comes from scripts/release.sh;
// without it (or when it is older than the build's quillbox.exe) the cases skip.
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>

#include "harness.h"
#include "support/host.h"

using namespace e2e;

namespace {

const char* const kUninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Quillbox";

bool Exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The file a shortcut points at, "" when it cannot be read.
std::string ShortcutTarget(const std::string& link) {
  std::string target;
  IShellLinkA* shell = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shell))))
    return target;
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shell->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    std::wstring wide(link.begin(), link.end());
    char path[MAX_PATH] = {};
    if (SUCCEEDED(file->Load(wide.c_str(), STGM_READ)) &&
        SUCCEEDED(shell->GetPath(path, MAX_PATH, nullptr, SLGP_RAWPATH)))
      target = path;
    file->Release();
  }
  shell->Release();
  return target;
}

// A value of the uninstall entry under hive; "" when there is none.
std::string UninstallValue(HKEY hive, const char* name) {
  char value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueA(hive, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "";
  return value;
}

bool HasUninstallEntry(HKEY hive) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(hive, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The numeric file version of a program's version information, 0 when none.
unsigned long long FileVersion(const std::string& path) {
  DWORD handle = 0, size = GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return 0;
  std::string data(size, '\0');
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(path.c_str(), 0, size, &data[0]) ||
      !VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&info), &length) || !info)
    return 0;
  return (static_cast<unsigned long long>(info->dwFileVersionMS) << 32) | info->dwFileVersionLS;
}

bool SameText(const std::string& a, const std::string& b) {
  return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

// Whether the uninstaller's running copy of itself (Un.exe, or Un_A.exe and
// the like) still runs.
bool UninstallerRunning() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return false;
  PROCESSENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  bool running = false;
  for (BOOL more = Process32First(snapshot, &entry); more && !running; more = Process32Next(snapshot, &entry))
    running = _strnicmp(entry.szExeFile, "Un", 2) == 0 && (entry.szExeFile[2] == '.' || entry.szExeFile[2] == '_');
  CloseHandle(snapshot);
  return running;
}

struct InstallMode {
  const char* name;
  const char* option;       // the installer's switch
  int programsFolder;       // where the shortcut goes
  int otherProgramsFolder;  // where it must not
  HKEY hive;                // where the uninstall entry goes
  HKEY otherHive;
  const char* uninstallOptions;
  bool settingsStay;
};

const InstallMode kModes[] = {
    {"CurrentUser", "/CurrentUser", CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, "",
     true},
    {"AllUsersRemovingSettings", "/AllUsers", CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS, HKEY_LOCAL_MACHINE,
     HKEY_CURRENT_USER, " /REMOVESETTINGS", false},
};

class InstallerTest : public ::testing::TestWithParam<InstallMode> {
 protected:
  void SetUp() override {
    WIN32_FILE_ATTRIBUTE_DATA setup, program;
    if (!GetFileAttributesExA(qbtest::LocalPath(QB_SETUP_PATH).c_str(), GetFileExInfoStandard, &setup))
      GTEST_SKIP() << "no installer " << QB_SETUP_PATH << " (scripts/release.sh makes it)";
    if (GetFileAttributesExA(qbtest::LocalPath(QB_APP_PATH).c_str(), GetFileExInfoStandard, &program) &&
        CompareFileTime(&setup.ftLastWriteTime, &program.ftLastWriteTime) < 0)
      GTEST_SKIP() << QB_SETUP_PATH << " is older than " << QB_APP_PATH << " (run scripts/release.sh)";
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    ForgetSettings();
  }
  void TearDown() override {
    app_.Kill();
    ForgetSettings();
    CoUninitialize();
  }
  App app_;
};

TEST_P(InstallerTest, InstallsStartsAndUninstallsLeavingOnlyTheSettings) {
  const InstallMode& mode = GetParam();
  std::string shortcut = ShellFolder(mode.programsFolder) + "\\Vantor.lnk";
  std::string otherShortcut = ShellFolder(mode.otherProgramsFolder) + "\\Vantor.lnk";
  ASSERT_FALSE(Exists(shortcut)) << "an earlier installation is still there: " << shortcut;

  App setup;
  ASSERT_TRUE(setup.Start(std::string("/S ") + mode.option, qbtest::LocalPath(QB_SETUP_PATH)));
  ASSERT_EQ(setup.WaitForExit(60000), 0);
  EXPECT_FALSE(Exists(otherShortcut)) << otherShortcut;
  EXPECT_FALSE(HasUninstallEntry(mode.otherHive));
  std::string folder = UninstallValue(mode.hive, "InstallLocation");
  ASSERT_NE(folder, "") << "no uninstall entry";
  std::string target = ShortcutTarget(shortcut);
  ASSERT_NE(target, "") << "no readable shortcut " << shortcut;
  EXPECT_TRUE(SameText(target, folder + "\\quillbox.exe")) << target << " is not in " << folder;
  ASSERT_TRUE(Exists(target)) << target;
  // The installer says the version of the program it installs.
  EXPECT_NE(FileVersion(target), 0u);
  EXPECT_EQ(FileVersion(qbtest::LocalPath(QB_SETUP_PATH)), FileVersion(target));

  ASSERT_TRUE(app_.Start("", target));
  ASSERT_NE(app_.WaitForMainWindow(), nullptr) << "the installed program shows no main window";
  ASSERT_TRUE(CancelStartupConnect(app_));
  EXPECT_EQ(app_.Close(), 0);
  ASSERT_TRUE(Exists(SettingsFilePath())) << "the program wrote no settings file";

  std::string uninstall = UninstallValue(mode.hive, "QuietUninstallString");
  ASSERT_NE(uninstall, "");
  ASSERT_TRUE(setup.Run(uninstall + mode.uninstallOptions));
  ASSERT_EQ(setup.WaitForExit(60000), 0);
  // The uninstaller runs on from a copy of itself: wait until it is done.
  EXPECT_TRUE(qbtest::WaitFor([] { return !UninstallerRunning(); }, 30000)) << "the uninstaller did not end";
  EXPECT_FALSE(Exists(shortcut)) << shortcut;
  EXPECT_FALSE(Exists(folder)) << folder;
  EXPECT_FALSE(HasUninstallEntry(mode.hive));
  EXPECT_EQ(Exists(SettingsFilePath()), mode.settingsStay) << SettingsFilePath();
}

void PrintTo(const InstallMode& mode, std::ostream* out) {
  *out << mode.name;
}

INSTANTIATE_TEST_SUITE_P(Modes, InstallerTest, ::testing::ValuesIn(kModes),
                         [](const ::testing::TestParamInfo<InstallMode>& info) { return info.param.name; });

}  // namespace
