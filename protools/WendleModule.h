// Module-wide state of the wendle plug-in library: its handle and resource path, as the load
// notification found them.
#pragma once

namespace wendlept {

void SetModuleHandle(void* handle);
void* ModuleHandle();

} // namespace wendlept
