// Loading a plug-in's library and looking up its entry points, for the host harness: dlopen on
// Linux, LoadLibrary on Windows.
#pragma once

#include <string>

namespace vsthost {

// Loads the library at path (UTF-8). Gives null and the system's reason in `error` on failure.
void* openLibrary(const std::string& path, std::string& error);
// The address of an exported symbol, null when the library has none of that name.
void* librarySymbol(void* library, const char* name);
void closeLibrary(void* library);

} // namespace vsthost
