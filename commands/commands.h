// The two commands behind the main window's buttons, and the few services they share.
#pragma once

#include "core/text.h"

namespace commands {

// 按钮2: choose an image editor and make it the shell's edit command.
void OnSetDefaultEditor();
// 按钮1: put the system's defaults back.
void OnRestoreDefaults();

// One task-modal box with the text, no owner, no icon, one OK button.
void ShowMessage(const core::Text& text);

// True exactly when the shell's path test says 1 for the path; the empty path is
// never there. An existing folder counts.
bool FileExists(const core::Text& path);

// "<system directory>\<fileName>", or the empty Text when the system directory
// cannot be read or the path would not fit.
core::Text SystemProgramPath(const char* fileName);

// Starts applicationName with commandLine and does not wait for it to end (at most a
// second for it to be ready for input). The program is named by its full path so that
// no file of that name in the program's folder or the current directory is started in
// its place; an empty applicationName starts nothing. True when the process started.
bool StartCommandLine(const core::Text& applicationName, const core::Text& commandLine);

}  // namespace commands
