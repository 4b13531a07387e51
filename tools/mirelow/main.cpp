// mirelow: renders audio files through the Mirelow plug-ins (or any VST 2.4 effect), shows
// what a host sees of a plug-in, runs the denoise / morph demo and paints the widget gallery.
#include "Cli.h"
#include "Commands.h"
#include "EditorSnapshot.h"
#include "Error.h"

#include <cstdio>
#include <exception>
#include <malloc.h>

int main(int argc, char** argv) {
    using namespace mirelow;
    // Memory one plug-in instance or file gives back is taken again by the next (a learn pass's
    // instance, a batch's files): kept in the process instead of returned to the system, it is
    // not faulted in anew, page by page. A run's peak stays what it was.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    try {
        const Command cmd = parseCommandLine(argc, argv);
        switch (cmd.kind) {
        case Command::Kind::Help:
            std::fputs(usageText().c_str(), stdout);
            return 0;
        case Command::Kind::Version:
            std::puts("mirelow " MIRELOW_VERSION);
            return 0;
        case Command::Kind::Render:
            return runRender(cmd.render);
        case Command::Kind::Info:
            return runInfo(cmd.infoPlugin, cmd.infoSets);
        case Command::Kind::Demo:
            return runDemo(cmd.demo);
        case Command::Kind::Snapshot:
            return runSnapshot(cmd.snapshotFile);
        case Command::Kind::SnapshotEditor:
            return runEditorSnapshot(cmd.snapshotArgs);
        }
    } catch (const UsageError& e) {
        std::fprintf(stderr, "mirelow: error: %s\n\n%s", e.what(), usageText().c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mirelow: error: %s\n", e.what());
        return 1;
    }
    return 1;
}
