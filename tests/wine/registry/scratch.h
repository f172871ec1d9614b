// A scratch place in the real registry for one process:
// HKEY_CURRENT_USER\Software\SetImageEditorTests\<tag>-<pid>, with "classes" below it, to which the process maps
// HKEY_CLASSES_ROOT, and "user" for paths under HKEY_CURRENT_USER. Nothing outside it
// is written, and End() removes it.
#pragma once

#include <windows.h>

#include <string>

namespace scratch {

// Also installs the real system table. False (and nothing left behind) when
// HKEY_CLASSES_ROOT cannot be mapped: then nothing may write through it.
bool Begin(const char* tag);
void End();

const std::string& Path();  // below HKEY_CURRENT_USER
HKEY Classes();
HKEY User();
// Empties "classes" and "user".
void Clear();

// Runs a command line with its standard output captured; false when it cannot start.
bool Run(const std::string& commandLine, std::string* output, DWORD* exitCode);

}  // namespace scratch
