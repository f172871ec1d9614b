#include "commands/commands.h"

namespace commands {

void OnSetDefaultEditor() {}

}  // namespace commands
