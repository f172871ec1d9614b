#include "core/process_state.h"

#include "core/system_api.h"

namespace core {

namespace {
ProcessState g_state;
}  // namespace

ProcessState& Process() { return g_state; }

void ResetProcessState() { g_state = ProcessState{}; }

}  // namespace core

namespace sys {

namespace {
const SystemApi* g_api = nullptr;
}  // namespace

const SystemApi& System() { return *g_api; }

void InstallSystemApi(const SystemApi* api) { g_api = api; }

}  // namespace sys
