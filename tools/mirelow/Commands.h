// The renderer's commands. Each returns the process exit status; failures throw mirelow::Error
// (status 1) or UsageError (status 2), which main() reports.
#pragma once

#include "Cli.h"

namespace mirelow {

int runRender(const RenderOptions& options);
// The plug-in as a host sees it, after `sets` (each printed as it is applied).
int runInfo(const std::string& plugin, const std::vector<ParamSetting>& sets = {});
int runDemo(const DemoOptions& options);
// Paints the gallery of every editor widget into a PNG file.
int runSnapshot(const std::string& pngPath);

// "12.00 s of audio in 0.25 s: 48.0x real time"
std::string summaryLine(double audioSeconds, double takenSeconds);

} // namespace mirelow
