// `mirelow snapshot editor wendle`: learning, settings, audio up to a moment, the editor's
// picture.
#include "WendleEditorSnapshot.h"

#include "Error.h"
#include "ProToolsPlugin.h"
#include "PtSim.h"
#include "Session.h"
#include "Synth.h"

#include <cairo.h>

#include <algorithm>
#include <cstring>

namespace mirelow {

namespace {
constexpr int kBlock = 512;
constexpr double kIdleRate = 30.0; // the host's idle timer, per second of audio
} // namespace

WendleEditorShot parseWendleEditorShot(const std::vector<std::string>& args) {
    WendleEditorShot o;
    std::vector<std::string> positional;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size())
                throw UsageError("option '" + a + "' needs a value");
            return args[++i];
        };
        if (a == "--input")
            o.input = value();
        else if (a == "--at")
            o.at = parseDoubleArg(value(), "--at", 0.0, 3600.0);
        else if (a == "--learn-filter0")
            o.learnFilter0 = value();
        else if (a == "--learn-filter1")
            o.learnFilter1 = value();
        else if (a == "--tempo")
            o.tempo = parseDoubleArg(value(), "--tempo", 1.0, 999.0);
        else if (a == "--set") {
            o.sets.push_back(parseSetting(value(), "--set"));
        } else if (a.size() > 1 && a[0] == '-')
            throw UsageError("snapshot editor wendle: unknown option '" + a + "'");
        else
            positional.push_back(a);
    }
    if (positional.size() != 1)
        throw UsageError(positional.empty()
                             ? "snapshot editor wendle needs FILE.png"
                             : "snapshot editor wendle takes one FILE.png; unexpected '" +
                                   positional[1] + "'");
    o.png = positional[0];
    return o;
}

AudioBuffer snapshotNoise(int channels, double sampleRate, double seconds) {
    AudioBuffer b(channels, static_cast<std::size_t>(seconds * sampleRate), sampleRate);
    synth::Noise noise(20261209);
    for (auto& ch : b.channels) {
        synth::addNoise(ch, 0, ch.size(), 0.1, noise);
        synth::onePole(ch, sampleRate, 6000.0, false);
    }
    return b;
}

void writeWendleEditorPicture(Plugin& plugin, const AudioBuffer& audio, double atSeconds,
                              const std::string& png) {
    auto* pt = dynamic_cast<ProToolsPlugin*>(&plugin);
    if (!pt)
        throw Error("the editor snapshot runs Pro Tools plug-ins only");
    if (audio.frames() == 0)
        throw Error("no audio to run before the picture");
    const int channels = std::min(audio.numChannels(), plugin.maxChannels());
    plugin.start(audio.sampleRate, kBlock, channels);
    ptsim::Instance& fx = pt->instance();
    if (!fx.view().view)
        throw Error(plugin.effectName() + " shows no editor of its own");
    if (PIErr err = fx.openViewOffscreen())
        throw Error("the editor cannot open off screen (error " + std::to_string(err) + ")");

    std::vector<std::vector<float>> in(static_cast<std::size_t>(channels),
                                       std::vector<float>(kBlock)),
        out = in;
    std::vector<float*> inPtr, outPtr;
    for (int c = 0; c < channels; ++c) {
        inPtr.push_back(in[static_cast<std::size_t>(c)].data());
        outPtr.push_back(out[static_cast<std::size_t>(c)].data());
    }
    const auto total = static_cast<std::size_t>(atSeconds * audio.sampleRate);
    const auto idleEvery = static_cast<std::size_t>(audio.sampleRate / kIdleRate);
    std::size_t sinceIdle = 0;
    for (std::size_t done = 0; done < total;) {
        const int n = static_cast<int>(std::min<std::size_t>(kBlock, total - done));
        for (int c = 0; c < channels; ++c) {
            const auto& src = audio.channels[static_cast<std::size_t>(c)];
            for (int i = 0; i < n; ++i)
                inPtr[static_cast<std::size_t>(c)][i] =
                    src[(done + static_cast<std::size_t>(i)) % src.size()];
        }
        plugin.process(inPtr.data(), outPtr.data(), n);
        done += static_cast<std::size_t>(n);
        sinceIdle += static_cast<std::size_t>(n);
        if (sinceIdle >= idleEvery) {
            sinceIdle = 0;
            fx.idleView();
        }
    }
    // The last idle brings the widgets up to date; the repaint shows them.
    fx.idleView();
    PIViewRect rect{};
    fx.viewRect(rect);
    fx.drawView(rect);
    const ptsim::Picture picture = fx.viewPicture();
    fx.closeView();
    if (picture.pixels.empty())
        throw Error("the editor gave no picture");

    const int stride = cairo_format_stride_for_width(CAIRO_FORMAT_RGB24, picture.width);
    std::vector<unsigned char> data(static_cast<std::size_t>(stride) *
                                    static_cast<std::size_t>(picture.height));
    for (int y = 0; y < picture.height; ++y)
        std::memcpy(data.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride),
                    picture.pixels.data() +
                        static_cast<std::size_t>(y) * static_cast<std::size_t>(picture.width),
                    static_cast<std::size_t>(picture.width) * 4);
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        data.data(), CAIRO_FORMAT_RGB24, picture.width, picture.height, stride);
    const cairo_status_t status = cairo_surface_write_to_png(surface, png.c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw Error("cannot write " + png + ": " + cairo_status_to_string(status));
}

int runWendleEditorSnapshot(const std::vector<std::string>& args) {
    const WendleEditorShot o = parseWendleEditorShot(args);
    AudioBuffer audio;
    if (!o.input.empty()) {
        AudioFileData file = readAudioFile(o.input);
        if (!file.warning.empty())
            std::fprintf(stderr, "mirelow: warning: %s\n", file.warning.c_str());
        audio = std::move(file.audio);
    } else {
        audio = snapshotNoise(2, 44100.0, 2.0);
    }
    const int channels = std::min(audio.numChannels(), 2);
    auto plugin = loadPlugin("wendle", audio.sampleRate, channels);
    auto learn = [&](int filter, const std::string& path) {
        if (path.empty())
            return;
        AudioFileData file = readAudioFile(path);
        learnWendleFilter(*plugin, filter, file.audio, std::min(file.audio.numChannels(), 2),
                          kBlock);
    };
    learn(0, o.learnFilter0);
    learn(1, o.learnFilter1);
    if (!o.learnFilter0.empty() || !o.learnFilter1.empty())
        plugin = reloadWithState(std::move(plugin), "wendle", audio.sampleRate);
    plugin->setTempo(o.tempo);
    for (const ParamSetting& s : o.sets) {
        const int index = findParam(*plugin, s.name);
        plugin->setParam(index, settingValue(*plugin, index, s));
    }
    writeWendleEditorPicture(*plugin, audio, o.at, o.png);
    std::printf("wrote %s: wendle's editor after %.2f s of %s\n", o.png.c_str(), o.at,
                o.input.empty() ? "generated noise" : o.input.c_str());
    return 0;
}

} // namespace mirelow
