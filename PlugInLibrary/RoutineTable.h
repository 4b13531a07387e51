// The framework's table of host routines (see PlugInProtocol.h for their meaning).
#pragma once

#include "PlugInProtocol.h"

namespace pil {

// The routine of that selector, or null outside 0 ... kPINumRoutines - 1.
void* GetRoutine(int32_t selector);

} // namespace pil
