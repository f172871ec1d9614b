#include "commands/commands.h"

namespace commands {

void OnRestoreDefaults() {}

}  // namespace commands
