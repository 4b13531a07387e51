// `mirelow info` and `mirelow snapshot` (`mirelow render` lives in RenderCommand.cpp).
#include "Commands.h"

#include "Error.h"
#include "FxPreset.h"
#include "Plugin.h"
#include "Session.h"
#include "gui/WidgetGallery.h"

#include <algorithm>
#include <cstdio>

namespace mirelow {

int runInfo(const std::string& name, const std::vector<ParamSetting>& sets) {
    auto plugin = loadPlugin(name);
    const int32_t id = plugin->uniqueId();
    char idHex[16];
    std::snprintf(idHex, sizeof idHex, "0x%08X", static_cast<uint32_t>(id));
    std::string flags;
    for (const auto& f : plugin->flags())
        flags += (flags.empty() ? "" : " ") + f;

    std::printf("%s\n", plugin->path().c_str());
    std::printf("  format:    %s\n", plugin->format().c_str());
    std::printf("  name:      %s\n", plugin->effectName().c_str());
    std::printf("  vendor:    %s\n", plugin->vendor().c_str());
    std::printf("  product:   %s\n", plugin->product().c_str());
    std::printf("  unique ID: '%s' (%s)\n", fourCCText(id).c_str(), idHex);
    std::printf("  version:   %d\n", plugin->version());
    std::printf("  inputs:    %d\n  outputs:   %d\n", plugin->numInputs(), plugin->numOutputs());
    plugin->start(44100.0, 512, std::max(1, plugin->maxChannels()));
    std::printf("  latency:   %d samples\n", plugin->latency());
    plugin->stop();
    std::printf("  flags:     %s\n", flags.empty() ? "(none)" : flags.c_str());
    for (const auto& line : plugin->details())
        std::printf("  %s\n", line.c_str());

    const int programs = plugin->numPrograms();
    const int current = plugin->currentProgram();
    std::printf("programs: %d (current %d)\n", programs, current);
    for (int i = 0; i < programs; ++i)
        std::printf("  %3d  %s\n", i, plugin->programName(i).c_str());
    auto shown = [&](int i) {
        std::string text = plugin->paramDisplay(i);
        const std::string label = plugin->paramLabel(i);
        if (!label.empty())
            text += " " + label;
        return text;
    };
    for (const auto& s : sets) {
        const int index = findParam(*plugin, s.name);
        const float value = settingValue(*plugin, index, s);
        plugin->setParam(index, value);
        std::printf("set %d %s: %.9g shows %s\n", index, plugin->paramName(index).c_str(),
                    static_cast<double>(value), shown(index).c_str());
    }
    const int params = plugin->numParams();
    std::printf("parameters: %d\n", params);
    std::printf("  %3s  %-16s %-14s %-7s %s\n", "#", "name", "display", "value", "range");
    for (int i = 0; i < params; ++i) {
        const ParamUnits* units = plugin->paramUnits(i);
        std::printf("  %3d  %-16s %-14s %.4f  %s\n", i, plugin->paramName(i).c_str(),
                    shown(i).c_str(), plugin->getParam(i),
                    units ? units->range().c_str() : "0 … 1 (normalised)");
    }
    return 0;
}

int runSnapshot(const std::string& pngPath) {
    if (!gui::renderWidgetGallery(pngPath.c_str()))
        throw Error("cannot write '" + pngPath + "'");
    std::printf("widget gallery written to %s\n", pngPath.c_str());
    return 0;
}

} // namespace mirelow
