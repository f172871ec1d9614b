#include "core/dbcs.h"
#include "core/fatal_error.h"
#include "registry/registry.h"

namespace registry {

sys::Hkey RootKeyFromCode(int rootCode) {
  switch (rootCode) {
    case 1:
      return sys::PredefinedKey(sys::kHkeyClassesRoot);
    case 2:
      return sys::PredefinedKey(sys::kHkeyCurrentConfig);
    case 3:
      return sys::PredefinedKey(sys::kHkeyCurrentUser);
    case 4:
      return sys::PredefinedKey(sys::kHkeyLocalMachine);
    case 5:
      return sys::PredefinedKey(sys::kHkeyUsers);
    default:
      // Only the program's own code can pass a root code; anything else is a bug.
      core::ReportFatalError("", core::kFatalCodeChoiceOutOfRange);
  }
}

void SplitRegistryPath(const core::Text& path, core::Text* keyPath, core::Text* valueName) {
  std::size_t length = path.size();
  // The last byte alone decides, even when it is the second byte of a character: that
  // is how a caller addresses a key's default value.
  if (length > 0 && path[length - 1] == '\\') {
    *keyPath = path;
    *valueName = core::Text();
    return;
  }
  std::size_t cut = core::FindLastBackslash(path.c_str(), length);
  if (cut == 0) {
    *keyPath = path;
    *valueName = core::Text();
    return;
  }
  *keyPath = core::Text(path.c_str(), cut - 1);
  *valueName = core::Text(path.c_str() + cut, length - cut);
}

}  // namespace registry
