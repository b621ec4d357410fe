// Finds the windows of a process and answers its common open-file dialog and
// message boxes from outside it, as a user would: find the dialog by its
// title, type a path into the file name box and press Open (or press Cancel),
// or read a message box and press OK. Windows only; used by the Wine tests.
#pragma once

#include <windows.h>

#include <string>

namespace qbtest {

// A visible top-level window of process pid with the class and caption
// (either may be null for any), polled until the deadline; null after it.
HWND WaitForWindow(unsigned long pid, const char* className, const char* title, int timeoutMs = 10000);

// Waits for an open-file dialog of process pid with the title, enters path
// (a Windows path) and presses Open. True once the dialog has closed.
bool ChooseInFileDialog(unsigned long pid, const std::string& title, const std::string& path, int timeoutMs = 10000);
// Waits for the dialog and presses Cancel. True once it has closed.
bool CancelFileDialog(unsigned long pid, const std::string& title, int timeoutMs = 10000);
// Waits for a message box of process pid with the caption, presses OK and
// returns its text ("(no message box)" when none came).
std::string AnswerMessageBoxOk(unsigned long pid, const std::string& caption, int timeoutMs = 10000);

}  // namespace qbtest
