// The command line: `mirelow render|info|demo|snapshot|help`, parsed into plain option records.
// Every mistake (unknown option, missing argument, a value that is not a number or out of range) is
// a UsageError with a one-line message.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mirelow {

// --set NAME=VALUE: a bare number is a normalised value 0 … 1, any other text a value in the
// parameter's units as its display shows it ("-40dB", "1:3", "20ms", "on"); NAME==VALUE reads
// even a bare number in units ("depth==1.5"). Resolved once the plug-in is loaded (Session.h).
struct ParamSetting {
    std::string name;     // a parameter name or index, as typed
    std::string value;    // as typed
    bool inUnits = false; // NAME==VALUE
};

// NAME=VALUE or NAME==VALUE, as `option` was given it. Throws UsageError.
ParamSetting parseSetting(const std::string& text, const std::string& option);

struct RenderOptions {
    std::string plugin, input, output;
    // A batch (--out-dir): every input rendered into outDir under its own name, `format` (an
    // extension) replacing the input's when given; `jobs` instances at once (0: one per core).
    std::vector<std::string> inputs;
    std::string outDir, format;
    int jobs = 0;
    bool verbose = false;
    std::optional<std::string> program; // number or name
    std::vector<ParamSetting> sets;
    std::string preset, savePreset;
    std::string learn, learnPeak;           // tidemill
    std::string learnFilter0, learnFilter1; // wendle
    std::optional<double> tempo;            // beats per minute
    int blockSize = 512;
    std::string spectrogram;
    bool keepLatency = false;
    bool quiet = false;
};

struct DemoOptions {
    std::string folder = "mirelow-demo";
    int blockSize = 512;
};

struct Command {
    enum class Kind { Render, Info, Demo, Snapshot, SnapshotEditor, Help, Version };
    Kind kind = Kind::Help;
    RenderOptions render;
    std::string infoPlugin;
    std::vector<ParamSetting> infoSets; // info PLUGIN --set …: shown as applied
    DemoOptions demo;
    std::string snapshotFile;              // snapshot widgets FILE.png
    std::vector<std::string> snapshotArgs; // snapshot editor PLUGIN …: the words after "editor"
};

// argv[0] is the program name. Throws UsageError.
Command parseCommandLine(int argc, const char* const* argv);

std::string usageText();

// Strict number parsing for option values: the whole text must be the number. Throw UsageError
// naming `what`.
int parseIntArg(const std::string& text, const std::string& what, int lo, int hi);
double parseDoubleArg(const std::string& text, const std::string& what, double lo, double hi);

} // namespace mirelow
