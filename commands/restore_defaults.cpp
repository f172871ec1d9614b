#include "commands/commands.h"
#include "core/texts.h"
#include "registry/registry.h"

namespace commands {

void OnRestoreDefaults() {
  // The TGA edit command key is the sign that an editor was set before.
  if (!registry::RegistryValueExists(1, core::Text(texts::kTgaEditCommandPath), 1)) {
    ShowMessage(texts::kNothingToRestore);
    return;
  }

  // The system's own reg tool, by full path: a bare "reg" would be looked for first in
  // our folder and in the current directory, which the dialog may have moved anywhere.
  // Without the system directory nothing is started. The deletions are not waited for.
  core::Text regTool = SystemProgramPath("reg.exe");
  StartCommandLine(regTool, texts::kDeleteDdsShellArguments);
  StartCommandLine(regTool, texts::kDeleteTgaShellArguments);

  int restored = registry::WriteRegistryValue(1, core::Text(texts::kImageEditCommandPath),
                                              core::ByteBuffer::FromText(texts::kPaintEditCommand),
                                              registry::Given(sys::kRegExpandSz), registry::kOmitted, 1);
  ShowMessage(restored ? texts::kRestoreDone : texts::kRestoreFailed);
}

}  // namespace commands
