// `mirelow snapshot editor PLUGIN FILE.png [options]`: a plug-in's editor painted off screen after
// audio has run through the plug-in. Each plug-in's editor has its own snapshot with its own
// options; this picks it by the plug-in's name.
#pragma once

#include <string>
#include <vector>

namespace mirelow {

// args: PLUGIN, then that editor's arguments. Throws UsageError or Error; answers the exit status.
int runEditorSnapshot(const std::vector<std::string>& args);

} // namespace mirelow
