// `mirelow snapshot editor tidemill`: program, learning, settings, audio up to a moment, the
// editor's picture.
#include "TidemillEditorSnapshot.h"

#include "Demo.h"
#include "Error.h"
#include "Session.h"

#include "compander/dehiss.h"
#include "compander/dehisseditor.h"
#include "tools/vsthost/VstHost.h"

#include <algorithm>
#include <cstdio>

namespace mirelow {

namespace {
constexpr int kBlock = 512;
constexpr double kIdleRate = 30.0; // the host's idle timer, per second of audio

AEffect* linkedEntry(audioMasterCallback audioMaster) {
    try {
        return (new dehiss(audioMaster))->getAeffect();
    } catch (...) {
        return nullptr;
    }
}

AudioBuffer readInput(const std::string& path) {
    AudioFileData file = readAudioFile(path);
    if (!file.warning.empty())
        std::fprintf(stderr, "mirelow: warning: %s\n", file.warning.c_str());
    return std::move(file.audio);
}
} // namespace

TidemillEditorShot parseTidemillEditorShot(const std::vector<std::string>& args) {
    TidemillEditorShot o;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size() || args[i + 1].empty())
                throw UsageError("option '" + a + "' needs a value");
            return args[++i];
        };
        if (a == "--input") {
            o.input = value();
        } else if (a == "--at") {
            o.at = parseDoubleArg(value(), "--at", 0.0, 3600.0);
        } else if (a == "--program") {
            o.program = value();
        } else if (a == "--learn") {
            o.learn = value();
        } else if (a == "--set") {
            o.sets.push_back(parseSetting(value(), "--set"));
        } else if (a.size() > 1 && a[0] == '-') {
            throw UsageError("snapshot editor tidemill: unknown option '" + a + "'");
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 1)
        throw UsageError(positional.empty()
                             ? "snapshot editor tidemill needs FILE.png"
                             : "snapshot editor tidemill takes one FILE.png; unexpected '" +
                                   positional[1] + "'");
    o.png = positional[0];
    return o;
}

std::unique_ptr<VstPlugin> makeLinkedTidemill(double sampleRate) {
    vsthost::HostAnswers answers;
    answers.sampleRate = static_cast<float>(sampleRate);
    try {
        return std::make_unique<VstPlugin>(
            std::make_unique<vsthost::Plugin>(linkedEntry, "tidemill (linked)", answers),
            sampleRate);
    } catch (const vsthost::LoadError& e) {
        throw Error(e.what());
    }
}

void writeTidemillEditorPicture(VstPlugin& plugin, const AudioBuffer& audio, double atSeconds,
                                const std::string& png) {
    if (audio.frames() == 0 || audio.numChannels() == 0)
        throw Error("no audio to run before the picture");
    const int channels = std::min(audio.numChannels(), 2);
    vsthost::Plugin& host = plugin.host();
    host.answers().inputConnected[1] = channels == 2; // mono: one band in the display
    auto* effect = host.effect() ? static_cast<AudioEffect*>(host.effect()->object) : nullptr;
    auto* editor = effect ? dynamic_cast<dehisseditor*>(effect->getEditor()) : nullptr;
    if (!editor)
        throw Error("the editor snapshot needs the linked tidemill");

    plugin.start(audio.sampleRate, kBlock, channels);
    // The first process call decides the channel layout the window shows.
    std::vector<std::vector<float>> in(2, std::vector<float>(kBlock)), out = in;
    float* inPtr[2] = {in[0].data(), in[1].data()};
    float* outPtr[2] = {out[0].data(), out[1].data()};
    plugin.process(inPtr, outPtr, 0);
    editor->openHeadless();

    const auto total = static_cast<std::size_t>(atSeconds * audio.sampleRate);
    const auto idleEvery = static_cast<std::size_t>(audio.sampleRate / kIdleRate);
    std::size_t sinceIdle = 0;
    for (std::size_t done = 0; done < total;) {
        const int n = static_cast<int>(std::min<std::size_t>(kBlock, total - done));
        for (int c = 0; c < 2; ++c) {
            const auto& src = audio.channels[static_cast<std::size_t>(std::min(c, channels - 1))];
            for (int i = 0; i < n; ++i)
                in[static_cast<std::size_t>(c)][static_cast<std::size_t>(i)] =
                    src[(done + static_cast<std::size_t>(i)) % src.size()];
        }
        plugin.process(inPtr, outPtr, n);
        done += static_cast<std::size_t>(n);
        sinceIdle += static_cast<std::size_t>(n);
        if (sinceIdle >= idleEvery) {
            sinceIdle = 0;
            editor->idle();
        }
    }
    editor->idle(); // the widgets up to date and painted
    const bool written = editor->getFrame()->writePng(png.c_str());
    editor->close();
    plugin.stop();
    if (!written)
        throw Error("cannot write " + png);
}

int runTidemillEditorSnapshot(const std::vector<std::string>& args) {
    const TidemillEditorShot o = parseTidemillEditorShot(args);
    const AudioBuffer audio =
        o.input.empty() ? makeDenoiseSignal(44100.0, 20.0).input : readInput(o.input);
    auto plugin = makeLinkedTidemill(audio.sampleRate);
    if (o.program)
        plugin->setProgram(findProgram(*plugin, *o.program));
    if (!o.learn.empty()) {
        const AudioBuffer learnAudio = readInput(o.learn);
        learnPass(*plugin, "learnaverage", 1.0f, learnAudio, std::min(audio.numChannels(), 2),
                  kBlock);
    }
    for (const ParamSetting& s : o.sets) {
        const int index = findParam(*plugin, s.name);
        plugin->setParam(index, settingValue(*plugin, index, s));
    }
    writeTidemillEditorPicture(*plugin, audio, o.at, o.png);
    std::printf("wrote %s: tidemill's editor after %.2f s of %s\n", o.png.c_str(), o.at,
                o.input.empty() ? "tones over noise" : o.input.c_str());
    return 0;
}

} // namespace mirelow
