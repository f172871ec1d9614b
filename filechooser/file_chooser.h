// The common open-file dialog, described by an owner, a starting folder, a caption and
// a "name|pattern|name|pattern" filter, and what the dialog gets from that description.
#pragma once

#include <cstdint>

#include "core/system_types.h"
#include "core/text.h"

namespace filechooser {

// A Text the caller may leave out. Left out is not the same as given empty: an omitted
// caption gets our default, an empty one lets the system choose.
struct OptionalText {
  bool given = false;
  core::Text value;
};
inline OptionalText Omitted() { return OptionalText{}; }
inline OptionalText Given(const core::Text& value) { return OptionalText{true, value}; }

// The dialog request, one field per OPENFILENAMEA member and in the same order, with
// the strings held as our own values. Handles and addresses keep pointer size so that
// the 64-bit build passes them whole.
struct OpenFileRecord {
  sys::Dword lStructSize = 0;
  sys::Hwnd hwndOwner = nullptr;
  sys::Handle hInstance = nullptr;
  core::ByteBuffer lpstrFilter;
  core::Text lpstrCustomFilter;
  sys::Dword nMaxCustFilter = 0;
  sys::Dword nFilterIndex = 0;
  core::ByteBuffer lpstrFile;       // the system writes the chosen path here
  sys::Dword nMaxFile = 0;
  core::ByteBuffer lpstrFileTitle;  // written by the system too, so not a Text
  sys::Dword nMaxFileTitle = 0;
  core::Text lpstrInitialDir;
  core::Text lpstrTitle;
  sys::Dword Flags = 0;
  sys::Word nFileOffset = 0;
  sys::Word nFileExtension = 0;
  core::Text lpstrDefExt;
  std::intptr_t lCustData = 0;
  void* lpfnHook = nullptr;
  const char* lpTemplateName = nullptr;
};

// "a|b|c" -> a NUL b NUL c NUL NUL. A "|" that is the second byte of a double-byte
// character is part of that character; an empty last piece is dropped; no pieces give
// the empty list (the system then shows no filter).
core::ByteBuffer BuildFilterList(const core::Text& filter);

// The record for one dialog. savedDirectory stands in for an omitted initialDirectory.
OpenFileRecord MakeOpenFileRecord(sys::Hwnd owner, const OptionalText& initialDirectory, const OptionalText& title,
                                  const OptionalText& filter, const core::Text& savedDirectory);

// The system structure filled from the record; its pointers point into the record,
// which must outlive it. Empty strings become null.
sys::OpenFileNameA ToOpenFileNameA(OpenFileRecord& record);

// Shows the dialog and gives the chosen file's full path, or the empty Text on cancel
// or failure. The current directory, which the dialog may move, is put back unless
// keepChangedDirectory is true.
core::Text ChooseFileToOpen(sys::Hwnd owner, const OptionalText& initialDirectory = Omitted(),
                            const OptionalText& title = Omitted(), const OptionalText& filter = Omitted(),
                            bool keepChangedDirectory = false);

}  // namespace filechooser
