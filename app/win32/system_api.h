// The system table filled with the real Windows API.
#pragma once

#include "core/system_api.h"

const sys::SystemApi& WindowsSystemApi();
