// The two commands behind the main window's buttons.
#pragma once

namespace commands {

// 按钮2: choose an image editor and make it the shell's edit command.
void OnSetDefaultEditor();
// 按钮1: put the system's defaults back.
void OnRestoreDefaults();

}  // namespace commands
