// The settings file on Windows: located in the user's local application data
// folder, created on first run, read once at start-up, written by the main
// window at exit and by the Connect dialog's "Save as Default".
#pragma once

#include <windows.h>

#include <string>

namespace qb {

extern std::string SettingsFolder;
extern std::string SettingsFile;
// The stored main window size, 0 when none is usable.
extern int SavedWindowWidth;
extern int SavedWindowHeight;

// Finds (and on first run creates) the settings file, then reads the
// connection defaults and the window size.
void LoadSettings();
// Stores the window's outer size when it fits the screen and has changed.
void SaveWindowSize(HWND main);

}  // namespace qb
