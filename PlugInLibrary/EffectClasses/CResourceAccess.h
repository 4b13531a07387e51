// The plug-in's resource file: its module's file name with ".rsr" appended. Resources are
// compiled into the library, so the file itself is never read; the path is kept for reports.
#pragma once

#include <string>

namespace pil {

// Module path + ".rsr"; the module path is cut to 256 characters.
std::string ResourceFilePath(const char* modulePath);

// Prepares resource access for the plug-in at that path (open procedure) and releases it.
void OpenResourceAccess(const std::string& resourcePath);
void CloseResourceAccess();
bool ResourceAccessOpen();
const std::string& CurrentResourcePath();

} // namespace pil
