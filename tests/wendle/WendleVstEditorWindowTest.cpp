// wendle-vst.so's editor in the harness's real X11 window (vsteditor), dragged with the real
// pointer while audio renders: the host hears the edit as automation. Skipped without a display.
#include "tests/support/EditorHostProcess.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using editorhost::EditorHost;

namespace {
const std::string kPlugin = MIRELOW_BUILD_DIR "/wendle-vst.so";
constexpr int kTilt = 3;
} // namespace

TEST(WendleVstEditorWindow, AKnobDragReachesTheHostAsAutomation) {
    EditorHost host(kPlugin);
    NEED_WINDOW(host);
    const float start = host.param(kTilt);
    const std::size_t mark = host.lineCount();
    // The tilt knob, from below its centre straight up.
    host.pointer({"mousemove", "--window", "W",         "318",      "320", "mousedown", "1",
                  "sleep",     "0.2",      "mousemove", "--window", "W",   "318",       "300",
                  "sleep",     "0.2",      "mousemove", "--window", "W",   "318",       "280",
                  "sleep",     "0.2",      "mouseup",   "1"});
    const float end = host.param(kTilt);
    EXPECT_GT(end, start + 0.2f);
    std::vector<std::string> gestures;
    std::string lastAutomate;
    for (const auto& line : host.linesSince(mark)) {
        if (line.rfind("beginEdit", 0) == 0 || line.rfind("endEdit", 0) == 0)
            gestures.push_back(line);
        if (line.rfind("automate 3 ", 0) == 0)
            lastAutomate = line;
    }
    EXPECT_EQ(gestures, (std::vector<std::string>{"beginEdit 3", "endEdit 3"}));
    ASSERT_FALSE(lastAutomate.empty());
    EXPECT_NEAR(std::stof(lastAutomate.substr(11)), end, 1e-6f);
}
