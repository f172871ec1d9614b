#include "commands/commands.h"
#include "core/process_state.h"
#include "core/texts.h"
#include "filechooser/file_chooser.h"
#include "registry/registry.h"

namespace commands {

namespace {

// "<path>" "%1": the shell puts the file being edited in place of %1.
core::Text EditCommandFor(const core::Text& editorPath) {
  core::Text command("\"");
  command.Append(editorPath);
  command.Append("\" \"%1\"");
  return command;
}

int WriteEditCommand(const char* path, const core::ByteBuffer& command) {
  return registry::WriteRegistryValue(1, core::Text(path), command, registry::kOmitted, registry::kOmitted, 1);
}

}  // namespace

void OnSetDefaultEditor() {
  core::Text editorPath = filechooser::ChooseFileToOpen(
      core::Process().mainWindow, filechooser::Given(texts::kChooseEditorStartFolder),
      filechooser::Given(texts::kChooseEditorTitle), filechooser::Given(texts::kChooseEditorFilter), true);
  if (!FileExists(editorPath)) {
    ShowMessage(texts::kNoEditorChosen);
    return;
  }

  core::ByteBuffer command = core::ByteBuffer::FromText(EditCommandFor(editorPath));
  // Every class is written whatever became of the others; the user hears of all three.
  int tgaSet = WriteEditCommand(texts::kTgaEditCommandPath, command);
  int imageSet = WriteEditCommand(texts::kImageEditCommandPath, command);
  int ddsSet = WriteEditCommand(texts::kDdsEditCommandPath, command);

  ShowMessage(tgaSet ? texts::kTgaSetSucceeded : texts::kTgaSetFailed);
  ShowMessage(imageSet ? texts::kImageSetSucceeded : texts::kImageSetFailed);
  ShowMessage(ddsSet ? texts::kDdsSetSucceeded : texts::kDdsSetFailed);
}

}  // namespace commands
