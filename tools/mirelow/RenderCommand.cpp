// `mirelow render`: one file (PLUGIN IN OUT) or a batch (PLUGIN --out-dir DIR IN...). Both set
// the plug-in up once (program, preset, learning, parameters), check that no output can destroy
// an input or another output before anything is written, and stream each file through its own
// instance; a batch runs several instances at once, one thread each.
#include "Commands.h"

#include "AudioFile.h"
#include "Error.h"
#include "FxPreset.h"
#include "Plugin.h"
#include "Progress.h"
#include "Render.h"
#include "Session.h"
#include "Spectrogram.h"
#include "StreamRender.h"
#include "vst/VstAbi.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace mirelow {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

bool samePath(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    // Files yet to be written: the same place spelt two ways ("out.wav", "./out.wav").
    std::error_code ea, eb;
    const auto ca = fs::weakly_canonical(fs::absolute(a), ea);
    const auto cb = fs::weakly_canonical(fs::absolute(b), eb);
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

// Reads a learn file and checks that it suits audio at `rate`.
AudioBuffer readLearnFile(const std::string& path, double rate, const std::string& option) {
    AudioFileData data = readAudioFile(path);
    warn(data.warning);
    AudioBuffer audio = std::move(data.audio);
    if (audio.frames() < kShortestLearnFile)
        throw Error(option + " " + path + ": " + std::to_string(audio.frames()) +
                    " frames are too few to learn from (at least " +
                    std::to_string(kShortestLearnFile) + ")");
    if (audio.sampleRate != rate)
        throw Error(option + " " + path + ": sample rate " +
                    std::to_string(static_cast<int>(audio.sampleRate)) +
                    " Hz differs from the input's " + std::to_string(static_cast<int>(rate)) +
                    " Hz");
    if (audio.numChannels() > 2)
        throw Error(option + " " + path + ": " + std::to_string(audio.numChannels()) +
                    " channels; learning takes mono or stereo");
    return audio;
}

// wendle through the Pro Tools simulator, or its VST build.
bool isWendle(Plugin& plugin) {
    return plugin.format() != "VST 2.4" || plugin.uniqueId() == fourCharCode("+wdx");
}

// Fails early, before any rendering, when a file could not be written where asked. Outputs are
// renamed into place, which must never replace a device or a folder (a render "to /dev/null"
// would otherwise swap the device for a file).
void checkWritableFolder(const std::string& file) {
    if (file.empty())
        return;
    struct stat existing {};
    if (::stat(file.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        throw Error("cannot write '" + file + "': it exists and is not a regular file");
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

struct NamedFile {
    std::string what; // "the output", "the --learn file"
    std::string path;
};

// No file the run writes may be one it reads or another it writes: the later write would
// destroy the earlier. Saving a preset over the preset just loaded is fine: it is read first.
void checkFilesApart(const std::vector<NamedFile>& outputs, const std::vector<NamedFile>& inputs,
                     const RenderOptions& o) {
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        const auto& [what, file] = outputs[i];
        if (file.empty())
            continue;
        for (const auto& [inWhat, inFile] : inputs)
            if (!inFile.empty() && samePath(file, inFile) &&
                !(file == o.savePreset && inFile == o.preset))
                throw Error(what + " '" + file + "' is " + inWhat);
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (!outputs[j].path.empty() && samePath(file, outputs[j].path))
                throw Error(what + " and " + outputs[j].what + " are the same file '" + file + "'");
    }
}

std::vector<NamedFile> settingInputs(const RenderOptions& o) {
    return {{"the --learn file", o.learn},
            {"the --learn-peak file", o.learnPeak},
            {"the --learn-filter0 file", o.learnFilter0},
            {"the --learn-filter1 file", o.learnFilter1},
            {"the --preset file", o.preset}};
}

// Settings known to leave a plug-in inert, read from the values it shows.
struct InertRule {
    std::vector<const char*> names; // the parameter, under each build's name
    bool (*applies)(const std::string& display);
    const char* reason;
};

bool showsZero(const std::string& display) {
    char* end = nullptr;
    const double v = std::strtod(display.c_str(), &end);
    return end != display.c_str() && v == 0.0;
}

const InertRule kInertRules[] = {
    {{"depth", "filter depth"}, showsZero, "depth is 0"},
    {{"Master Bypass"}, [](const std::string& d) { return d == "on"; }, "Master Bypass is on"},
    {{"ratio"}, [](const std::string& d) { return d == "1 : 1.00"; }, "ratio is 1 : 1"},
};

std::string inertReason(Plugin& plugin) {
    std::string reasons;
    for (const auto& rule : kInertRules)
        for (const char* name : rule.names)
            try {
                if (rule.applies(plugin.paramDisplay(findParam(plugin, name))))
                    reasons += (reasons.empty() ? "" : "; ") + std::string(rule.reason);
                break;
            } catch (const UsageError&) {
            }
    return reasons;
}

// The one-line notice for renders that changed nothing.
std::string inertNotice(const std::string& what, const std::string& pluginName,
                        const std::string& reason) {
    return "mirelow: note: " + what + " unchanged (within -60 dB): these settings leave " +
           pluginName + " inert" + (reason.empty() ? "" : " (" + reason + ")");
}

std::string shownName(const RenderOptions& o, Plugin& plugin) {
    return o.plugin == "tidemill" || o.plugin == "wendle" || o.plugin == "wendle-vst"
               ? o.plugin
               : plugin.effectName();
}

// What the render's settings come to: the setup every instance is made from, one instance made
// on the way (set up, ready to render), texts for the picture and the preset to save.
struct PreparedRender {
    PluginSetup setup;
    std::unique_ptr<Plugin> instance;
    std::vector<std::string> settings; // "program 0 “Noise Reduction”", "threshold -30.0 dB"
    std::optional<Preset> toSave;
    double learnRate = 0; // the sample rate learning ran at; 0 when nothing was learned
};

// Sets the plug-in up for audio of `channels` channels at `rate` (0 channels: as many as the
// plug-in takes): program, preset, learning, parameters, in that order. Every setting is checked
// here, before any audio is rendered.
PreparedRender prepare(const RenderOptions& o, double rate, int channels) {
    PreparedRender r;
    PluginSetup& setup = r.setup;
    setup.plugin = o.plugin;
    auto plugin = loadPlugin(o.plugin, rate, channels > 0 ? channels : 2);
    if (channels == 0)
        channels = std::max(1, plugin->maxChannels());
    checkChannels(*plugin, channels);
    const bool wendle = isWendle(*plugin);
    if (!wendle && (!o.learnFilter0.empty() || !o.learnFilter1.empty()))
        throw UsageError(
            "--learn-filter0/--learn-filter1 are for wendle; use --learn or --learn-peak");
    if (wendle && (!o.learn.empty() || !o.learnPeak.empty()))
        throw UsageError("--learn/--learn-peak are for tidemill; wendle learns with "
                         "--learn-filter0/--learn-filter1");

    if (o.program) {
        setup.program = findProgram(*plugin, *o.program);
        plugin->setProgram(*setup.program);
        r.settings.push_back("program " + std::to_string(*setup.program) + " " +
                             quoted(plugin->currentProgramName()));
    }
    if (!o.preset.empty()) {
        setup.preset = readPresetFile(o.preset);
        setup.presetPath = o.preset;
        applyPreset(*plugin, *setup.preset, o.preset);
        r.settings.push_back("preset " + baseName(o.preset));
    }
    if (!o.program && o.preset.empty() && plugin->numPrograms() > 0)
        r.settings.push_back("program " + std::to_string(plugin->currentProgram()) + " " +
                             quoted(plugin->currentProgramName()));
    setup.tempo = o.tempo.value_or(120.0);
    plugin->setTempo(setup.tempo);
    if (o.tempo)
        r.settings.push_back("tempo " + std::to_string(static_cast<int>(*o.tempo + 0.5)) + " BPM");

    bool learned = false;
    if (!o.learn.empty() || !o.learnPeak.empty()) {
        const bool peak = !o.learnPeak.empty();
        const std::string& file = peak ? o.learnPeak : o.learn;
        const AudioBuffer audio = readLearnFile(file, rate, peak ? "--learn-peak" : "--learn");
        // A peak pass runs while "learnpeak" is exactly 1.
        learnPass(*plugin, peak ? "learnpeak" : "learnaverage", 1.0f, audio, channels, o.blockSize);
        r.settings.push_back(std::string(peak ? "peaks" : "average") + " learned from " +
                             baseName(file));
        learned = true;
    }
    for (int f = 0; f < 2; ++f) {
        const std::string& file = f == 0 ? o.learnFilter0 : o.learnFilter1;
        if (file.empty())
            continue;
        const AudioBuffer audio =
            readLearnFile(file, rate, f == 0 ? "--learn-filter0" : "--learn-filter1");
        learnWendleFilter(*plugin, f, audio, channels, o.blockSize);
        r.settings.push_back("filter " + std::to_string(f) + " learned from " + baseName(file));
        learned = true;
    }
    if (learned && plugin->programsAreChunks()) {
        // The render starts from a fresh instance carrying the learned state.
        setup.learnedBank = plugin->getChunk(false);
        setup.learnedProgram = plugin->currentProgram();
        r.learnRate = rate;
        plugin.reset();
        plugin = setup.make(rate, channels);
    }
    for (const auto& s : o.sets) {
        const int index = findParam(*plugin, s.name);
        const float value = settingValue(*plugin, index, s);
        setup.params.emplace_back(index, value);
        plugin->setParam(index, value);
        std::string shown = plugin->paramDisplay(index);
        const std::string label = plugin->paramLabel(index);
        if (!label.empty())
            shown += " " + label;
        r.settings.push_back(plugin->paramName(index) + " " + shown);
    }
    // Taken before the render, written after the audio: a failed run leaves no preset behind.
    if (!o.savePreset.empty())
        r.toSave = capturePreset(*plugin, presetKindForPath(o.savePreset));
    r.instance = std::move(plugin);
    return r;
}

RenderSettings renderSettings(const RenderOptions& o) {
    RenderSettings rs;
    rs.blockSize = o.blockSize;
    rs.keepLatency = o.keepLatency;
    return rs;
}

// Input and output spectrograms built as the audio streams past, on one time axis that spans
// the longer of the two (the output is longer by the delay when it is kept).
class SpectrogramTap : public StreamTap {
  public:
    explicit SpectrogramTap(const AudioReader& reader) : reader_(reader) {}

    void started(std::size_t latency, bool keepLatency) override {
        const std::size_t inFrames = reader_.expectedFrames();
        const std::size_t outFrames = inFrames + (keepLatency ? latency : 0);
        const double rate = reader_.sampleRate();
        const double seconds = static_cast<double>(std::max<std::size_t>(outFrames, 1)) / rate;
        const SpectrogramStyle style;
        auto builder = [&](std::size_t frames) {
            return std::make_unique<SpectrogramBuilder>(
                rate, reader_.channels(), frames, spectrogramRows(style), spectrogramColumns(style),
                style.minHz, seconds);
        };
        in_ = builder(inFrames);
        out_ = builder(outFrames);
    }
    void input(const float* const* channels, std::size_t frames) override {
        in_->feed(channels, frames);
    }
    void output(const float* const* channels, std::size_t frames) override {
        out_->feed(channels, frames);
    }
    const SpectrogramImage& inputImage() { return in_->finish(); }
    const SpectrogramImage& outputImage() { return out_->finish(); }

  private:
    const AudioReader& reader_;
    std::unique_ptr<SpectrogramBuilder> in_, out_;
};

int renderOne(const RenderOptions& o) {
    std::vector<NamedFile> inputs = settingInputs(o);
    inputs.insert(inputs.begin(), {"the input file", o.input});
    checkFilesApart({{"the output", o.output},
                     {"--save-preset", o.savePreset},
                     {"--spectrogram", o.spectrogram}},
                    inputs, o);
    for (const std::string* f : {&o.output, &o.savePreset, &o.spectrogram})
        checkWritableFolder(*f);
    AudioReader reader(o.input);
    const int channels = reader.channels();
    if (channels > 2)
        throw Error("'" + o.input + "' has " + std::to_string(channels) +
                    " channels; mirelow renders mono and stereo files");
    const AudioFormat outFormat = outputFormatFor(o.output, reader.format(), channels);
    PreparedRender prep = prepare(o, reader.sampleRate(), channels);
    Plugin& plugin = *prep.instance;

    const auto t0 = Clock::now();
    AudioWriter writer(o.output, outFormat, channels, reader.sampleRate());
    std::optional<SpectrogramTap> pictures;
    ChangeMeter change(channels, o.blockSize, reader.format().fullScaleBound());
    std::vector<StreamTap*> taps{&change};
    if (!o.spectrogram.empty())
        taps.push_back(&pictures.emplace(reader));
    StreamResult result;
    {
        ProgressBar bar("rendering", !o.quiet);
        result = renderStream(
            plugin, reader, writer, renderSettings(o), [&](double f) { bar.update(f); }, taps);
    }
    writer.commit();
    const double taken = secondsSince(t0);
    warn(reader.warning());
    if (prep.toSave)
        writePresetFile(o.savePreset, *prep.toSave);

    if (pictures) {
        auto& settings = prep.settings;
        settings.push_back("block " + std::to_string(o.blockSize));
        settings.push_back(o.keepLatency
                               ? "latency kept (" + std::to_string(result.latency) + " samples)"
                               : "latency compensated");
        std::string subtitle;
        for (const auto& s : settings)
            subtitle += (subtitle.empty() ? "" : "  \u00b7  ") + s;
        writeSpectrogramPng(o.spectrogram,
                            shownName(o, plugin) + ": " + baseName(o.input) + " \u2192 " +
                                baseName(o.output),
                            subtitle,
                            std::vector<AnalysedPanel>{{"input", &pictures->inputImage()},
                                                       {"output", &pictures->outputImage()}});
    }
    if (!o.quiet)
        std::fprintf(
            stderr, "mirelow: %s\n",
            summaryLine(static_cast<double>(result.framesIn) / reader.sampleRate(), taken).c_str());
    if (!o.quiet && change.unchanged())
        std::fprintf(
            stderr, "%s\n",
            inertNotice("the output is the input", shownName(o, plugin), inertReason(plugin))
                .c_str());
    return 0;
}

// ---- Batches

// Instances are made and destroyed one at a time: plug-in libraries keep process-wide state
// (open counts, planners) that their entry points do not guard. Rendering needs no lock.
std::mutex& lifecycleMutex() {
    static std::mutex m;
    return m;
}

struct InstanceDeleter {
    void operator()(Plugin* p) const {
        std::lock_guard<std::mutex> lock(lifecycleMutex());
        delete p;
    }
};
using Instance = std::unique_ptr<Plugin, InstanceDeleter>;

std::string withExtension(const std::string& name, const std::string& ext) {
    if (ext.empty())
        return name;
    const auto dot = name.find_last_of('.');
    return (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + "." + ext;
}

// What the batch's threads share: the next file to take, the figures, the terminal.
class BatchState {
  public:
    BatchState(std::size_t files, int jobs, bool quiet, bool verbose)
        : files_(files), quiet_(quiet), verbose_(verbose), bar_("rendering", !quiet),
          current_(static_cast<std::size_t>(jobs)) {}

    std::optional<std::size_t> take() {
        const std::size_t i = next_.fetch_add(1);
        return i < files_ ? std::optional(i) : std::nullopt;
    }
    // A worker's progress through its current file: fraction and seconds of audio.
    void progress(int worker, double fraction, double seconds) {
        current_[static_cast<std::size_t>(worker)].fraction.store(fraction);
        current_[static_cast<std::size_t>(worker)].seconds.store(seconds);
    }
    void done(int worker, double seconds, bool ok, const std::string& line) {
        progress(worker, 0, 0);
        std::lock_guard<std::mutex> lock(terminal_);
        secondsDone_ += seconds;
        ++finished_;
        if (!ok)
            ++failed_;
        if (!line.empty() && (!ok || (verbose_ && !quiet_))) {
            bar_.clear();
            std::fprintf(stderr, "%s\n", line.c_str());
        }
    }
    void warning(const std::string& text) {
        if (text.empty())
            return;
        std::lock_guard<std::mutex> lock(terminal_);
        bar_.clear();
        warn(text);
    }
    // Redraws the bar from the figures so far (the main thread, while the workers run).
    void draw(Clock::time_point t0) {
        std::lock_guard<std::mutex> lock(terminal_);
        double fraction = static_cast<double>(finished_), seconds = secondsDone_;
        for (const auto& c : current_) {
            fraction += c.fraction.load();
            seconds += c.seconds.load();
        }
        char detail[160];
        const double taken = secondsSince(t0);
        std::snprintf(detail, sizeof detail, "%zu/%zu files  %.1f s of audio  %.0fx real time",
                      finished_, files_, seconds, taken > 0 ? seconds / taken : 0.0);
        bar_.update(fraction / static_cast<double>(files_), detail);
    }
    void finish(Clock::time_point t0) {
        std::lock_guard<std::mutex> lock(terminal_);
        bar_.finish();
        if (quiet_)
            return;
        const std::string done =
            failed_ == 0 ? std::to_string(files_) + (files_ == 1 ? " file" : " files") + " rendered"
                         : std::to_string(files_ - failed_) + " of " + std::to_string(files_) +
                               " files rendered, " + std::to_string(failed_) + " failed";
        std::fprintf(stderr, "mirelow: %s; %s\n", done.c_str(),
                     summaryLine(secondsDone_, secondsSince(t0)).c_str());
    }
    std::size_t failed() const { return failed_; }
    void unchanged() { unchanged_.fetch_add(1); }
    std::size_t unchangedCount() const { return unchanged_.load(); }

  private:
    struct Current {
        std::atomic<double> fraction{0}, seconds{0};
    };
    const std::size_t files_;
    const bool quiet_, verbose_;
    std::atomic<std::size_t> next_{0}, unchanged_{0};
    std::mutex terminal_;
    ProgressBar bar_;
    std::size_t finished_ = 0, failed_ = 0;
    double secondsDone_ = 0;
    std::vector<Current> current_;
};

struct BatchFile {
    std::string input, output;
};

// Renders one file of a batch on the calling thread; throws mirelow::Error when it cannot.
// Returns the seconds of audio rendered.
double renderBatchFile(const BatchFile& f, const RenderOptions& o, const PreparedRender& prep,
                       BatchState& state, int worker) {
    AudioReader reader(f.input);
    const int channels = reader.channels();
    const double rate = reader.sampleRate();
    if (channels > 2)
        throw Error("'" + f.input + "' has " + std::to_string(channels) +
                    " channels; mirelow renders mono and stereo files");
    if (prep.learnRate > 0 && rate != prep.learnRate)
        throw Error("'" + f.input + "': sample rate " + std::to_string(static_cast<int>(rate)) +
                    " Hz differs from the learn files' " +
                    std::to_string(static_cast<int>(prep.learnRate)) + " Hz");
    const AudioFormat format = outputFormatFor(f.output, reader.format(), channels);
    Instance plugin;
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex());
        plugin.reset(prep.setup.make(rate, channels).release());
    }
    AudioWriter writer(f.output, format, channels, rate);
    const double fileSeconds = static_cast<double>(reader.expectedFrames()) / rate;
    ChangeMeter change(channels, o.blockSize, reader.format().fullScaleBound());
    const StreamResult result = renderStream(
        *plugin, reader, writer, renderSettings(o),
        [&](double fraction) { state.progress(worker, fraction, fraction * fileSeconds); },
        {&change});
    writer.commit();
    state.warning(reader.warning());
    if (change.unchanged())
        state.unchanged();
    return static_cast<double>(result.framesIn) / rate;
}

int renderBatch(const RenderOptions& o) {
    if (!o.format.empty() && !knownAudioExtension(o.format))
        throw UsageError("--format " + o.format + ": no audio format has that extension");
    std::vector<BatchFile> files;
    std::map<std::string, std::size_t> byOutput;
    for (const auto& in : o.inputs) {
        const std::string out = o.outDir + "/" + withExtension(baseName(in), o.format);
        if (const auto seen = byOutput.find(out); seen != byOutput.end())
            throw Error("'" + files[seen->second].input + "' and '" + in +
                        "' would both be written to '" + out + "'");
        byOutput.emplace(out, files.size());
        files.push_back({in, out});
    }
    std::vector<NamedFile> inputs = settingInputs(o), outputs{{"--save-preset", o.savePreset}};
    for (const auto& f : files) {
        inputs.push_back({"the input file '" + f.input + "'", f.input});
        outputs.push_back({"the output", f.output});
    }
    checkFilesApart(outputs, inputs, o);
    std::error_code made;
    fs::create_directories(o.outDir, made);
    if (!fs::is_directory(o.outDir))
        throw Error("cannot write into '" + o.outDir +
                    "': " + (made ? made.message() : std::string("not a folder")));
    if (::access(o.outDir.c_str(), W_OK) != 0)
        throw Error("cannot write into '" + o.outDir + "': the folder is not writable");
    checkWritableFolder(o.savePreset);
    for (const auto& f : files)
        checkWritableFolder(f.output);

    // Learning runs once, at the sample rate of the first input that opens and in the plug-in's
    // widest layout (a mono input then renders with what the first channel learned), whatever
    // the order of the inputs; the other inputs are checked as they come.
    double rate = 44100.0;
    for (const auto& f : files) {
        try {
            rate = AudioReader(f.input).sampleRate();
            break;
        } catch (const Error&) {
        }
    }
    PreparedRender prep = prepare(o, rate, 0);
    const std::string pluginName = shownName(o, *prep.instance);
    const std::string inert = inertReason(*prep.instance);
    prep.instance.reset();
    if (prep.toSave)
        writePresetFile(o.savePreset, *prep.toSave);

    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = static_cast<int>(
        std::min<std::size_t>(static_cast<std::size_t>(o.jobs > 0 ? o.jobs : cores), files.size()));
    BatchState state(files.size(), jobs, o.quiet, o.verbose);
    const auto t0 = Clock::now();
    auto work = [&](int worker) {
        while (const auto i = state.take()) {
            const BatchFile& f = files[*i];
            const auto started = Clock::now();
            try {
                const double seconds = renderBatchFile(f, o, prep, state, worker);
                state.done(worker, seconds, true,
                           "mirelow: " + f.input + " \u2192 " + f.output + ": " +
                               summaryLine(seconds, secondsSince(started)));
            } catch (const std::exception& e) {
                const std::string why = e.what();
                state.done(worker, 0, false,
                           "mirelow: error: " +
                               (why.find(f.input) == std::string::npos ? f.input + ": " : "") +
                               why + " (skipped)");
            }
        }
    };
    // The workers render; this thread redraws the bar a few times a second until they are done.
    std::mutex doneMutex;
    std::condition_variable doneSignal;
    int running = jobs;
    std::vector<std::thread> workers;
    for (int w = 0; w < jobs; ++w)
        workers.emplace_back([&, w] {
            work(w);
            std::lock_guard<std::mutex> lock(doneMutex);
            --running;
            doneSignal.notify_one();
        });
    {
        std::unique_lock<std::mutex> lock(doneMutex);
        while (!doneSignal.wait_for(lock, std::chrono::milliseconds(100),
                                    [&] { return running == 0; }))
            state.draw(t0);
    }
    for (auto& t : workers)
        t.join();
    state.finish(t0);
    if (!o.quiet && state.unchangedCount() > 0)
        std::fprintf(stderr, "%s\n",
                     inertNotice(std::to_string(state.unchangedCount()) + " of " +
                                     std::to_string(files.size()) + " outputs are their inputs",
                                 pluginName, inert)
                         .c_str());
    return state.failed() > 0 ? 1 : 0;
}

} // namespace

std::string summaryLine(double audioSeconds, double takenSeconds) {
    char buf[160];
    const double factor = takenSeconds > 0 ? audioSeconds / takenSeconds : 0;
    std::snprintf(buf, sizeof buf, "%.2f s of audio in %.2f s: %.1fx real time", audioSeconds,
                  takenSeconds, factor);
    return buf;
}

int runRender(const RenderOptions& options) {
    return options.outDir.empty() ? renderOne(options) : renderBatch(options);
}

} // namespace mirelow
