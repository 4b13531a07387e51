// `mirelow render`, `mirelow info` and `mirelow snapshot`.
#include "Commands.h"

#include "AudioFile.h"
#include "Error.h"
#include "FxPreset.h"
#include "Plugin.h"
#include "Progress.h"
#include "Render.h"
#include "Session.h"
#include "Spectrogram.h"
#include "gui/WidgetGallery.h"
#include "vst/VstAbi.h"

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace mirelow {
namespace {

bool samePath(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // Files yet to be written: the same place spelt two ways ("out.wav", "./out.wav").
    std::error_code ea, eb;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(a), ea);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(b), eb);
    return !ea && !eb && ca == cb;
}

std::string quoted(const std::string& s) {
    return "\u201c" + s + "\u201d";
}

void warn(const std::string& text) {
    if (!text.empty())
        std::fprintf(stderr, "mirelow: warning: %s\n", text.c_str());
}

// The spectral plug-ins learn once per 256-sample hop: a shorter file would teach them nothing.
constexpr std::size_t kShortestLearnFile = 256;

// Reads a learn file and checks that it suits the render's audio.
AudioBuffer readLearnFile(const std::string& path, const AudioBuffer& input,
                          const std::string& option) {
    AudioFileData data = readAudioFile(path);
    warn(data.warning);
    AudioBuffer audio = std::move(data.audio);
    if (audio.frames() < kShortestLearnFile)
        throw Error(option + " " + path + ": " + std::to_string(audio.frames()) +
                    " frames are too few to learn from (at least " +
                    std::to_string(kShortestLearnFile) + ")");
    if (audio.sampleRate != input.sampleRate)
        throw Error(option + " " + path + ": sample rate " +
                    std::to_string(static_cast<int>(audio.sampleRate)) +
                    " Hz differs from the input's " +
                    std::to_string(static_cast<int>(input.sampleRate)) + " Hz");
    if (audio.numChannels() > 2)
        throw Error(option + " " + path + ": " + std::to_string(audio.numChannels()) +
                    " channels; learning takes mono or stereo");
    return audio;
}

// wendle through the Pro Tools simulator, or its VST build.
bool isWendle(Plugin& plugin) {
    return plugin.format() != "VST 2.4" || plugin.uniqueId() == fourCharCode("+wdx");
}

// Fails early, before any rendering, when a file could not be written where asked.
void checkWritableFolder(const std::string& file) {
    if (file.empty())
        return;
    const auto slash = file.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : file.substr(0, slash);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw Error("cannot write '" + file + "': no folder '" + folder + "'");
    if (::access(folder.c_str(), W_OK) != 0)
        throw Error("cannot write '" + file + "': folder '" + folder + "' is not writable");
}

} // namespace

std::string summaryLine(double audioSeconds, double takenSeconds) {
    char buf[160];
    const double factor = takenSeconds > 0 ? audioSeconds / takenSeconds : 0;
    std::snprintf(buf, sizeof buf, "%.2f s of audio in %.2f s: %.1fx real time", audioSeconds,
                  takenSeconds, factor);
    return buf;
}

// No file the run writes may be one it reads or another it writes: the later write would
// destroy the earlier. Saving a preset over the preset just loaded is fine: it is read first.
void checkOutputsApart(const RenderOptions& o) {
    if (samePath(o.input, o.output))
        throw Error("the output '" + o.output + "' is the input file");
    const std::pair<const char*, const std::string*> outputs[] = {
        {"the output", &o.output},
        {"--save-preset", &o.savePreset},
        {"--spectrogram", &o.spectrogram}};
    const std::pair<const char*, const std::string*> inputs[] = {
        {"the input file", &o.input},
        {"the --learn file", &o.learn},
        {"the --learn-peak file", &o.learnPeak},
        {"the --learn-filter0 file", &o.learnFilter0},
        {"the --learn-filter1 file", &o.learnFilter1},
        {"the --preset file", &o.preset}};
    for (std::size_t i = 0; i < std::size(outputs); ++i) {
        const auto& [what, file] = outputs[i];
        if (file->empty())
            continue;
        for (const auto& [inWhat, inFile] : inputs)
            if (!inFile->empty() && samePath(*file, *inFile) &&
                !(file == &o.savePreset && inFile == &o.preset))
                throw Error(std::string(what) + " '" + *file + "' is " + inWhat);
        for (std::size_t j = i + 1; j < std::size(outputs); ++j)
            if (!outputs[j].second->empty() && samePath(*file, *outputs[j].second))
                throw Error(std::string(what) + " and " + outputs[j].first +
                            " are the same file '" + *file + "'");
    }
}

int runRender(const RenderOptions& o) {
    checkOutputsApart(o);
    for (const std::string* f : {&o.output, &o.savePreset, &o.spectrogram})
        checkWritableFolder(*f);
    const AudioFileData in = readAudioFile(o.input);
    warn(in.warning);
    const int channels = in.audio.numChannels();
    if (channels > 2)
        throw Error("'" + o.input + "' has " + std::to_string(channels) +
                    " channels; mirelow renders mono and stereo files");
    const AudioFormat outFormat = outputFormatFor(o.output, in.format, channels);

    auto plugin = loadPlugin(o.plugin, in.audio.sampleRate, channels);
    checkChannels(*plugin, channels);
    const bool wendle = isWendle(*plugin);
    if (!wendle && (!o.learnFilter0.empty() || !o.learnFilter1.empty()))
        throw UsageError(
            "--learn-filter0/--learn-filter1 are for wendle; use --learn or --learn-peak");
    if (wendle && (!o.learn.empty() || !o.learnPeak.empty()))
        throw UsageError("--learn/--learn-peak are for tidemill; wendle learns with "
                         "--learn-filter0/--learn-filter1");

    std::vector<std::string> settings;
    if (o.program) {
        const int p = findProgram(*plugin, *o.program);
        plugin->setProgram(p);
        settings.push_back("program " + std::to_string(p) + " " +
                           quoted(plugin->currentProgramName()));
    }
    if (!o.preset.empty()) {
        applyPreset(*plugin, readPresetFile(o.preset), o.preset);
        settings.push_back("preset " + baseName(o.preset));
    }
    if (!o.program && o.preset.empty() && plugin->numPrograms() > 0)
        settings.push_back("program " + std::to_string(plugin->currentProgram()) + " " +
                           quoted(plugin->currentProgramName()));
    plugin->setTempo(o.tempo.value_or(120.0));
    if (o.tempo)
        settings.push_back("tempo " + std::to_string(static_cast<int>(*o.tempo + 0.5)) + " BPM");

    if (!o.learn.empty() || !o.learnPeak.empty()) {
        const bool peak = !o.learnPeak.empty();
        const std::string& file = peak ? o.learnPeak : o.learn;
        const AudioBuffer audio = readLearnFile(file, in.audio, peak ? "--learn-peak" : "--learn");
        // A peak pass runs while "learnpeak" is exactly 1.
        learnPass(*plugin, peak ? "learnpeak" : "learnaverage", 1.0f, audio, channels, o.blockSize);
        settings.push_back(std::string(peak ? "peaks" : "average") + " learned from " +
                           baseName(file));
    }
    for (int f = 0; f < 2; ++f) {
        const std::string& file = f == 0 ? o.learnFilter0 : o.learnFilter1;
        if (file.empty())
            continue;
        const AudioBuffer audio =
            readLearnFile(file, in.audio, f == 0 ? "--learn-filter0" : "--learn-filter1");
        learnWendleFilter(*plugin, f, audio, channels, o.blockSize);
        settings.push_back("filter " + std::to_string(f) + " learned from " + baseName(file));
    }
    const bool learned = !o.learn.empty() || !o.learnPeak.empty() || !o.learnFilter0.empty() ||
                         !o.learnFilter1.empty();
    if (learned) {
        plugin = reloadWithState(std::move(plugin), o.plugin, in.audio.sampleRate);
        plugin->setTempo(o.tempo.value_or(120.0));
    }
    for (const auto& s : o.sets) {
        const int index = findParam(*plugin, s.name);
        plugin->setParam(index, s.value);
        std::string shown = plugin->paramDisplay(index);
        const std::string label = plugin->paramLabel(index);
        if (!label.empty())
            shown += " " + label;
        settings.push_back(plugin->paramName(index) + " " + shown);
    }
    // Taken before the render, written after the audio: a failed run leaves no preset behind.
    std::optional<Preset> toSave;
    if (!o.savePreset.empty())
        toSave = capturePreset(*plugin, presetKindForPath(o.savePreset));

    RenderSettings rs;
    rs.blockSize = o.blockSize;
    rs.keepLatency = o.keepLatency;
    RenderStats stats;
    const auto t0 = std::chrono::steady_clock::now();
    AudioBuffer out;
    {
        ProgressBar bar("rendering", !o.quiet);
        out = render(
            *plugin, in.audio, rs, [&](double f) { bar.update(f); }, &stats);
    }
    const double taken =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    writeAudioFile(o.output, out, outFormat);
    if (toSave)
        writePresetFile(o.savePreset, *toSave);

    if (!o.spectrogram.empty()) {
        settings.push_back("block " + std::to_string(o.blockSize));
        settings.push_back(o.keepLatency
                               ? "latency kept (" + std::to_string(stats.latency) + " samples)"
                               : "latency compensated");
        std::string subtitle;
        for (const auto& s : settings)
            subtitle += (subtitle.empty() ? "" : "  \u00b7  ") + s;
        const std::string shownName =
            o.plugin == "tidemill" || o.plugin == "wendle" || o.plugin == "wendle-vst"
                ? o.plugin
                : plugin->effectName();
        writeSpectrogramPng(o.spectrogram,
                            shownName + ": " + baseName(o.input) + " \u2192 " + baseName(o.output),
                            subtitle, {{"input", &in.audio}, {"output", &out}});
    }
    if (!o.quiet)
        std::fprintf(stderr, "mirelow: %s\n", summaryLine(in.audio.seconds(), taken).c_str());
    return 0;
}

int runInfo(const std::string& name) {
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
    const int params = plugin->numParams();
    std::printf("parameters: %d\n", params);
    std::printf("  %3s  %-16s %-14s %s\n", "#", "name", "display", "value");
    for (int i = 0; i < params; ++i) {
        std::string shown = plugin->paramDisplay(i);
        const std::string label = plugin->paramLabel(i);
        if (!label.empty())
            shown += " " + label;
        std::printf("  %3d  %-16s %-14s %.4f\n", i, plugin->paramName(i).c_str(), shown.c_str(),
                    plugin->getParam(i));
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
