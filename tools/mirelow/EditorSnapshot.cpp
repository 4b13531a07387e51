// The editor snapshots by plug-in.
#include "EditorSnapshot.h"

#include "Error.h"
#include "TidemillEditorSnapshot.h"
#ifdef MIRELOW_HAVE_PTSIM
#include "WendleEditorSnapshot.h"
#endif

namespace mirelow {

int runEditorSnapshot(const std::vector<std::string>& args) {
    if (args.empty())
        throw UsageError("snapshot editor needs PLUGIN and FILE.png");
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "tidemill")
        return runTidemillEditorSnapshot(rest);
#ifdef MIRELOW_HAVE_PTSIM
    if (args[0] == "wendle")
        return runWendleEditorSnapshot(rest);
#endif
    throw UsageError("snapshot editor: no editor snapshot for '" + args[0] +
                     "' (try 'tidemill' or 'wendle')");
}

} // namespace mirelow
