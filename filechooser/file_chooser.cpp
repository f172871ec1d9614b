#include "filechooser/file_chooser.h"

#include <cstring>

#include "core/external_functions.h"
#include "core/system_api.h"
#include "core/texts.h"

namespace filechooser {

namespace {

constexpr sys::Dword kFileBufferCharacters = 512;
constexpr sys::Dword kFileTitleCharacters = 512;

// The dialog is told the size of the structure without the members Windows 2000 added.
#if defined(_WIN32) && !defined(_WIN64)
static_assert(sizeof(sys::OpenFileNameA) == 76, "the 32-bit exe passes the 76-byte OPENFILENAMEA");
#endif

// The current directory, or the empty Text when it cannot be read or does not fit.
core::Text SaveCurrentDirectory() {
  char buffer[sys::kMaxPath];
  sys::Dword length = sys::System().GetCurrentDirectoryA(sizeof buffer, buffer);
  if (length == 0 || length >= sizeof buffer) return core::Text();
  return core::Text(buffer, length);
}

}  // namespace

core::ByteBuffer BuildFilterList(const core::Text& filter) {
  const char* bytes = filter.c_str();
  std::size_t size = filter.size();
  core::ByteBuffer list;
  std::size_t pieceStart = 0;
  std::size_t i = 0;
  while (i < size) {
    unsigned char byte = filter[i];
    if (byte >= 0x80) {  // lead byte: its second byte may have the code of "|"
      i += 2;
      continue;
    }
    if (byte == '|') {
      list.Append(bytes + pieceStart, i - pieceStart);
      list.AppendByte(0);
      pieceStart = i + 1;
    }
    ++i;
  }
  if (pieceStart < size) {
    list.Append(bytes + pieceStart, size - pieceStart);
    list.AppendByte(0);
  }
  if (!list.empty()) list.AppendByte(0);  // the list ends with an empty piece
  return list;
}

OpenFileRecord MakeOpenFileRecord(sys::Hwnd owner, const OptionalText& initialDirectory, const OptionalText& title,
                                  const OptionalText& filter, const core::Text& savedDirectory) {
  OpenFileRecord record;
  record.lStructSize = sizeof(sys::OpenFileNameA);
  record.hwndOwner = owner;
  record.lpstrFilter = BuildFilterList(filter.given ? filter.value : core::Text(texts::kOpenFileDefaultFilter));
  record.nFilterIndex = 1;
  // One byte more than the dialog is told, so a full-length answer still ends in NUL.
  record.lpstrFile = core::ByteBuffer(kFileBufferCharacters + 1);
  record.nMaxFile = kFileBufferCharacters;
  char spaces[kFileTitleCharacters + 1];
  std::memset(spaces, ' ', kFileTitleCharacters);
  spaces[kFileTitleCharacters] = '\0';
  record.lpstrFileTitle = core::ByteBuffer(spaces, sizeof spaces);
  record.nMaxFileTitle = kFileTitleCharacters;
  record.lpstrInitialDir = initialDirectory.given ? initialDirectory.value : savedDirectory;
  record.lpstrTitle = title.given ? title.value : core::Text(texts::kOpenFileDefaultTitle);
  return record;
}

sys::OpenFileNameA ToOpenFileNameA(OpenFileRecord& record) {
  sys::OpenFileNameA request = {};
  request.lStructSize = record.lStructSize;
  request.hwndOwner = record.hwndOwner;
  request.hInstance = record.hInstance;
  request.lpstrFilter = reinterpret_cast<const char*>(record.lpstrFilter.data());
  // The dialog never writes a custom filter we do not give it, and we give none.
  request.lpstrCustomFilter = const_cast<char*>(record.lpstrCustomFilter.OrNull());
  request.nMaxCustFilter = record.nMaxCustFilter;
  request.nFilterIndex = record.nFilterIndex;
  request.lpstrFile = reinterpret_cast<char*>(record.lpstrFile.data());
  request.nMaxFile = record.nMaxFile;
  request.lpstrFileTitle = reinterpret_cast<char*>(record.lpstrFileTitle.data());
  request.nMaxFileTitle = record.nMaxFileTitle;
  request.lpstrInitialDir = record.lpstrInitialDir.OrNull();
  request.lpstrTitle = record.lpstrTitle.OrNull();
  request.Flags = record.Flags;
  request.nFileOffset = record.nFileOffset;
  request.nFileExtension = record.nFileExtension;
  request.lpstrDefExt = record.lpstrDefExt.OrNull();
  request.lCustData = record.lCustData;
  request.lpfnHook = record.lpfnHook;
  request.lpTemplateName = record.lpTemplateName;
  return request;
}

core::Text ChooseFileToOpen(sys::Hwnd owner, const OptionalText& initialDirectory, const OptionalText& title,
                            const OptionalText& filter, bool keepChangedDirectory) {
  core::Text savedDirectory = SaveCurrentDirectory();
  OpenFileRecord record = MakeOpenFileRecord(owner, initialDirectory, title, filter, savedDirectory);
  sys::OpenFileNameA request = ToOpenFileNameA(record);
  sys::Bool chosen = core::Bound<sys::GetOpenFileNameAFn>(core::kGetOpenFileNameA)(&request);

  // A directory we could not read cannot be put back; "" would only fail.
  if (!keepChangedDirectory && !savedDirectory.empty()) sys::System().SetCurrentDirectoryA(savedDirectory.c_str());
  if (!chosen) return core::Text();
  return record.lpstrFile.ToText();
}

}  // namespace filechooser
