// Command-line parsing: a subcommand, its positional arguments and its options, in any order;
// options take their value as the next argument or after '='.
#include "Cli.h"

#include "Error.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>

namespace mirelow {
namespace {

struct OptionRule {
    bool takesValue;
    std::function<void(const std::string&)> apply;
};

// Walks argv: options from `rules`, everything else positional.
std::vector<std::string> parseArgs(const std::vector<std::string>& args,
                                   const std::map<std::string, OptionRule>& rules,
                                   const std::string& command) {
    std::vector<std::string> positional;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        std::string name = a, value;
        bool inlineValue = false;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            inlineValue = true;
        }
        const auto rule = rules.find(name);
        if (rule == rules.end())
            throw UsageError("unknown option '" + name + "' for '" + command + "'");
        if (rule->second.takesValue) {
            if (!inlineValue) {
                if (i + 1 >= args.size())
                    throw UsageError("option '" + name + "' needs a value");
                value = args[++i];
            }
            rule->second.apply(value);
        } else {
            if (inlineValue)
                throw UsageError("option '" + name + "' takes no value");
            rule->second.apply({});
        }
    }
    return positional;
}

void needFile(const std::string& value, const std::string& option) {
    if (value.empty())
        throw UsageError("option '" + option + "' needs a file name");
}

} // namespace

int parseIntArg(const std::string& text, const std::string& what, int lo, int hi) {
    int v = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, v);
    if (text.empty() || ec == std::errc::invalid_argument || ptr != end)
        throw UsageError(what + ": '" + text + "' is not a whole number");
    if (ec == std::errc::result_out_of_range || v < lo || v > hi)
        throw UsageError(what + ": " + text + " is out of range (" + std::to_string(lo) + " … " +
                         std::to_string(hi) + ")");
    return v;
}

double parseDoubleArg(const std::string& text, const std::string& what, double lo, double hi) {
    char* end = nullptr;
    const double v = text.empty() ? 0.0 : std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() ||
        std::isspace(static_cast<unsigned char>(text[0])))
        throw UsageError(what + ": '" + text + "' is not a number");
    if (!std::isfinite(v) || v < lo || v > hi) {
        char range[64];
        std::snprintf(range, sizeof range, "%g … %g", lo, hi);
        throw UsageError(what + ": " + text + " is out of range (" + range + ")");
    }
    return v;
}

ParamSetting parseSetting(const std::string& text, const std::string& option) {
    const auto eq = text.find('=');
    ParamSetting s;
    if (eq != std::string::npos) {
        s.name = text.substr(0, eq);
        s.inUnits = text.compare(eq, 2, "==") == 0;
        s.value = text.substr(eq + (s.inUnits ? 2 : 1));
    }
    if (s.name.empty() || s.value.empty())
        throw UsageError(option + " expects NAME=VALUE, got '" + text + "'");
    return s;
}

std::string usageText() {
    return R"(usage:
  mirelow render PLUGIN IN OUT [options]   render an audio file through a plug-in
  mirelow render PLUGIN --out-dir DIR IN... [options]
                                           render many files, each into DIR under its name
  mirelow info PLUGIN [--set NAME=VALUE]…  show what a host sees of a plug-in (after the
                                           settings given, each shown as it is applied)
  mirelow demo [FOLDER]                    denoise and morph synthesised test audio
                                           (default folder ./mirelow-demo)
  mirelow snapshot widgets FILE.png        paint a gallery of every editor widget
  mirelow snapshot editor tidemill FILE.png [options]
                                           paint tidemill's editor after audio has run
  mirelow snapshot editor wendle FILE.png [options]
                                           paint wendle's editor after audio has run
  mirelow help | --help | --version

PLUGIN is 'tidemill', 'wendle' (the Pro Tools build, through the simulator), 'wendle-vst'
(its VST 2.4 build) or the path of a plug-in shared object.
IN is any file libsndfile reads (WAV, AIFF, FLAC, ...), mono or stereo; OUT keeps the
input's sample rate and encoding, or takes the format its extension names.

render options:
  --program N|NAME       select a program (number from 0, or name) before anything else
  --preset FILE          load a .fxp program or .fxb bank (the plug-in's unique ID is checked;
                         parameter values outside 0 … 1 are clamped)
  --set NAME=VALUE       set a parameter (name or index); repeatable. VALUE is a normalised
                         0 … 1 when a bare number, else in the parameter's units as its
                         display shows them: threshold=-40dB, ratio=1:3, attack=20ms,
                         stereolink=on ('mirelow info PLUGIN' lists the ranges)
  --set NAME==VALUE      the same, a bare number in units too: depth==1.5, 'lfo divisor==4'
  --learn FILE           tidemill: learn the threshold shape from FILE (average)
  --learn-peak FILE      tidemill: learn the threshold shape from FILE (peaks)
  --learn-filter0 FILE   wendle, wendle-vst: learn filter zero from FILE
  --learn-filter1 FILE   wendle, wendle-vst: learn filter one from FILE
  --tempo BPM            host tempo (wendle's tempo-locked LFO), default 120
  --block N              host block size in frames (default 512)
  --keep-latency         keep the plug-in's delay (output is longer by the latency)
  --save-preset FILE     save the settings used as .fxp (program) or .fxb (bank)
  --spectrogram FILE     write input and output spectrograms as a PNG picture
  --quiet                no progress bar, no summary line
  --out-dir DIR          batch: render every IN into DIR (created if missing), same name
  --format EXT           batch: write EXT files (wav, flac, aiff, ...) instead of each input's
  --jobs N               batch: render N files at once (default: one per core)
  --verbose              batch: a summary line per file
Settings apply in this order: program, preset, learning, parameters; a learn pass runs on
the plug-in first, the render then starts from a fresh instance carrying the learned state.
Audio holding NaN or infinite samples is refused; a file cut off short of what its header
announces is rendered as far as it goes, with a warning. In a batch, every file gets its own
instance with the same settings (learning is done once); a file that fails is reported and
skipped, and the exit status is 1. No output may overwrite an input or another output.

snapshot editor tidemill options:
  --input AUDIO          audio to run through the effect (default: tones over noise)
  --at SECONDS           how much of it runs before the picture (default 2)
  --program N|NAME       select a program first
  --learn FILE           learn the threshold shape (average) from FILE
  --set NAME=VALUE       set a parameter (name or index), as for render

snapshot editor wendle options:
  --input AUDIO          audio to run through the instance (default: generated noise)
  --at SECONDS           how much of it runs before the picture (default 2)
  --learn-filter0 FILE   learn filter zero from FILE first
  --learn-filter1 FILE   learn filter one from FILE first
  --set NAME=VALUE       set a control (name as 'mirelow info wendle' lists), as for render
  --tempo BPM            host tempo (default 120)

demo options:
  --block N              host block size in frames (default 512)
)";
}

Command parseCommandLine(int argc, const char* const* argv) {
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    Command cmd;
    if (args.empty())
        throw UsageError("no command given");
    const std::string verb = args.front();
    args.erase(args.begin());

    if (verb == "help" || verb == "--help" || verb == "-h") {
        cmd.kind = Command::Kind::Help;
        return cmd;
    }
    if (verb == "--version") {
        cmd.kind = Command::Kind::Version;
        return cmd;
    }
    if (verb == "render") {
        cmd.kind = Command::Kind::Render;
        RenderOptions& o = cmd.render;
        auto file = [](std::string& slot, const char* opt) {
            return OptionRule{true,
                              [&slot, opt](const std::string& v) { needFile(v, opt), slot = v; }};
        };
        const std::map<std::string, OptionRule> rules{
            {"--program",
             {true,
              [&](const std::string& v) {
                  if (v.empty())
                      throw UsageError("option '--program' needs a number or a name");
                  o.program = v;
              }}},
            {"--set",
             {true, [&](const std::string& v) { o.sets.push_back(parseSetting(v, "--set")); }}},
            {"--preset", file(o.preset, "--preset")},
            {"--save-preset", file(o.savePreset, "--save-preset")},
            {"--learn", file(o.learn, "--learn")},
            {"--learn-peak", file(o.learnPeak, "--learn-peak")},
            {"--learn-filter0", file(o.learnFilter0, "--learn-filter0")},
            {"--learn-filter1", file(o.learnFilter1, "--learn-filter1")},
            {"--spectrogram", file(o.spectrogram, "--spectrogram")},
            {"--tempo",
             {true,
              [&](const std::string& v) { o.tempo = parseDoubleArg(v, "--tempo", 1.0, 999.0); }}},
            {"--block",
             {true,
              [&](const std::string& v) { o.blockSize = parseIntArg(v, "--block", 1, 1 << 16); }}},
            {"--out-dir", file(o.outDir, "--out-dir")},
            {"--format",
             {true,
              [&](const std::string& v) {
                  o.format = v.rfind('.', 0) == 0 ? v.substr(1) : v;
                  if (o.format.empty() || o.format.find('/') != std::string::npos)
                      throw UsageError("--format expects an extension such as wav or flac, got '" +
                                       v + "'");
              }}},
            {"--jobs",
             {true, [&](const std::string& v) { o.jobs = parseIntArg(v, "--jobs", 1, 256); }}},
            {"--verbose", {false, [&](const std::string&) { o.verbose = true; }}},
            {"-v", {false, [&](const std::string&) { o.verbose = true; }}},
            {"--keep-latency", {false, [&](const std::string&) { o.keepLatency = true; }}},
            {"--quiet", {false, [&](const std::string&) { o.quiet = true; }}},
            {"-q", {false, [&](const std::string&) { o.quiet = true; }}},
        };
        const auto pos = parseArgs(args, rules, verb);
        if (!o.learn.empty() && !o.learnPeak.empty())
            throw UsageError("give either --learn or --learn-peak, not both");
        if (!o.outDir.empty()) {
            if (pos.size() < 2)
                throw UsageError(pos.empty() ? "render needs PLUGIN"
                                             : "render --out-dir DIR needs at least one IN");
            o.plugin = pos[0];
            o.inputs.assign(pos.begin() + 1, pos.end());
            if (!o.spectrogram.empty())
                throw UsageError("--spectrogram draws one render; it does not go with --out-dir");
            return cmd;
        }
        for (const auto& [set, option] :
             {std::pair{!o.format.empty(), "--format"}, {o.jobs > 0, "--jobs"}})
            if (set)
                throw UsageError(std::string(option) +
                                 " is for batches (--out-dir); OUT names the one output");
        if (pos.size() < 3) {
            static const char* kNames[] = {"PLUGIN", "IN", "OUT"};
            throw UsageError(std::string("render needs PLUGIN IN OUT (missing ") +
                             kNames[pos.size()] + ")");
        }
        if (pos.size() > 3)
            throw UsageError("render takes PLUGIN IN OUT; unexpected '" + pos[3] +
                             "' (many files: --out-dir DIR IN...)");
        o.plugin = pos[0];
        o.input = pos[1];
        o.output = pos[2];
        return cmd;
    }
    if (verb == "info") {
        cmd.kind = Command::Kind::Info;
        const std::map<std::string, OptionRule> rules{
            {"--set",
             {true,
              [&](const std::string& v) { cmd.infoSets.push_back(parseSetting(v, "--set")); }}},
        };
        const auto pos = parseArgs(args, rules, verb);
        if (pos.size() != 1)
            throw UsageError(pos.empty() ? "info needs PLUGIN"
                                         : "info takes one PLUGIN; unexpected '" + pos[1] + "'");
        cmd.infoPlugin = pos[0];
        return cmd;
    }
    if (verb == "demo") {
        cmd.kind = Command::Kind::Demo;
        DemoOptions& d = cmd.demo;
        const std::map<std::string, OptionRule> rules{
            {"--block",
             {true,
              [&](const std::string& v) { d.blockSize = parseIntArg(v, "--block", 1, 1 << 16); }}},
        };
        const auto pos = parseArgs(args, rules, verb);
        if (pos.size() > 1)
            throw UsageError("demo takes at most one FOLDER; unexpected '" + pos[1] + "'");
        if (!pos.empty())
            d.folder = pos[0];
        return cmd;
    }
    if (verb == "snapshot" && !args.empty() && args.front() == "editor") {
        // Each editor's snapshot parses its own options (EditorSnapshot.h).
        cmd.kind = Command::Kind::SnapshotEditor;
        cmd.snapshotArgs.assign(args.begin() + 1, args.end());
        if (cmd.snapshotArgs.empty())
            throw UsageError("snapshot editor needs PLUGIN and FILE.png");
        return cmd;
    }
    if (verb == "snapshot") {
        cmd.kind = Command::Kind::Snapshot;
        const auto pos = parseArgs(args, {}, verb);
        if (pos.empty() || pos[0] != "widgets")
            throw UsageError("snapshot needs the subject 'widgets'");
        if (pos.size() != 2)
            throw UsageError(pos.size() < 2 ? "snapshot widgets needs FILE.png"
                                            : "snapshot widgets takes one FILE.png; unexpected '" +
                                                  pos[2] + "'");
        cmd.snapshotFile = pos[1];
        return cmd;
    }
    throw UsageError("unknown command '" + verb + "'");
}

} // namespace mirelow
