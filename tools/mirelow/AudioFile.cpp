// Whole-file audio I/O through libsndfile.
#include "AudioFile.h"

#include "Error.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>

namespace mirelow {
namespace {

struct SndfileCloser {
    void operator()(SNDFILE* f) const { sf_close(f); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

std::string formatName(int format) {
    SF_FORMAT_INFO info{};
    info.format = format;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) != 0 || !info.name)
        return "?";
    return info.name;
}

std::string lowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return ext;
}

// Major format for a file extension, 0 when libsndfile names none.
int majorFormatForExtension(const std::string& ext) {
    if (ext.empty())
        return 0;
    if (ext == "aif")
        return SF_FORMAT_AIFF;
    if (ext == "oga")
        return SF_FORMAT_OGG;
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int i = 0; i < count; ++i) {
        SF_FORMAT_INFO info{};
        info.format = i;
        sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &info, sizeof info);
        if (info.extension && ext == info.extension)
            return info.format;
    }
    return 0;
}

bool formatAccepted(int format, int channels, int rate) {
    SF_INFO info{};
    info.format = format;
    info.channels = channels;
    info.samplerate = rate;
    return sf_format_check(&info) != 0;
}

// libsndfile reads a cut-off WAV or AIFF as far as it goes; its log notes the sound data chunk
// that announced more bytes than the file holds ("data : 176400 (should be 19956)"). Writers
// that stream to a pipe announce 0 or a huge placeholder: those files are not cut off.
bool headerClaimsMoreData(SNDFILE* file) {
    char log[8192] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log);
    for (const char* line = log; *line;) {
        const char* end = std::strchr(line, '\n');
        const std::string text(line,
                               end ? static_cast<std::size_t>(end - line) : std::strlen(line));
        const auto start = text.find_first_not_of(' ');
        if (start != std::string::npos &&
            (text.compare(start, 4, "data") == 0 || text.compare(start, 4, "SSND") == 0) &&
            text.find("should be") != std::string::npos) {
            const auto colon = text.find(':');
            const unsigned long long announced =
                colon == std::string::npos ? 0
                                           : std::strtoull(text.c_str() + colon + 1, nullptr, 10);
            if (announced > 0 && announced < 0x7FFF0000ull)
                return true;
        }
        if (!end)
            break;
        line = end + 1;
    }
    return false;
}

} // namespace

std::string AudioFormat::describe() const {
    return formatName(sndfileFormat & SF_FORMAT_TYPEMASK) + ", " +
           formatName(sndfileFormat & SF_FORMAT_SUBMASK);
}

AudioFileData readAudioFile(const std::string& path) {
    SF_INFO info{};
    SndfilePtr file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) {
        const std::string why = sf_strerror(nullptr);
        if (access(path.c_str(), F_OK) != 0)
            throw Error("cannot read '" + path + "': no such file");
        if (access(path.c_str(), R_OK) != 0)
            throw Error("cannot read '" + path + "': permission denied");
        throw Error("cannot read '" + path + "': " + why);
    }
    if (info.channels < 1 || info.samplerate < 1)
        throw Error("cannot read '" + path + "': no audio channels or no sample rate");
    if (info.frames < 0 || info.frames > (int64_t{1} << 31))
        throw Error("cannot read '" + path + "': unsupported length");

    AudioFileData data;
    data.format.sndfileFormat = info.format;
    const auto frames = static_cast<std::size_t>(info.frames);
    data.audio = AudioBuffer(info.channels, frames, info.samplerate);

    std::vector<float> interleaved(frames * static_cast<std::size_t>(info.channels));
    const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), info.frames);
    if (got < 0)
        throw Error("cannot read '" + path + "': " + sf_strerror(file.get()));
    // A file shorter than its header claims keeps what could be read, and says so.
    const auto readFrames = static_cast<std::size_t>(got);
    if (got < info.frames || headerClaimsMoreData(file.get()))
        data.warning = "'" + path + "' is shorter than its header says (cut off?); using the " +
                       std::to_string(readFrames) + " frames it holds";
    for (int c = 0; c < info.channels; ++c) {
        auto& ch = data.audio.channels[static_cast<std::size_t>(c)];
        ch.resize(readFrames);
        for (std::size_t i = 0; i < readFrames; ++i) {
            const float v = interleaved[i * static_cast<std::size_t>(info.channels) +
                                        static_cast<std::size_t>(c)];
            // A NaN or an infinity would spread through every spectrum it enters.
            if (!std::isfinite(v))
                throw Error("cannot read '" + path + "': sample " + std::to_string(i) +
                            " of channel " + std::to_string(c + 1) + " is not a finite number");
            ch[i] = v;
        }
    }
    return data;
}

AudioFormat outputFormatFor(const std::string& path, const AudioFormat& input, int channels) {
    const int inMajor = input.sndfileFormat & SF_FORMAT_TYPEMASK;
    const int inSub = input.sndfileFormat & SF_FORMAT_SUBMASK;
    int major = majorFormatForExtension(lowerExtension(path));
    if (major == 0)
        major = inMajor;
    if (major == inMajor)
        return input;

    constexpr int kRate = 44100;
    if (formatAccepted(major | inSub, channels, kRate))
        return AudioFormat{major | inSub};
    for (int sub : {SF_FORMAT_FLOAT, SF_FORMAT_PCM_24, SF_FORMAT_PCM_16, SF_FORMAT_VORBIS})
        if (formatAccepted(major | sub, channels, kRate))
            return AudioFormat{major | sub};
    throw Error("cannot write '" + path + "': no encoding of " + formatName(major) +
                " takes this audio");
}

void writeAudioFile(const std::string& path, const AudioBuffer& audio, const AudioFormat& format) {
    SF_INFO info{};
    info.format = format.sndfileFormat;
    info.channels = audio.numChannels();
    info.samplerate = static_cast<int>(audio.sampleRate + 0.5);
    if (!sf_format_check(&info))
        throw Error("cannot write '" + path + "': " + format.describe() + " does not take " +
                    std::to_string(info.channels) + " channel(s) at " +
                    std::to_string(info.samplerate) + " Hz");

    const std::string temp = path + ".mirelow-" + std::to_string(getpid()) + ".tmp";
    std::string failure;
    {
        SndfilePtr file(sf_open(temp.c_str(), SFM_WRITE, &info));
        if (!file)
            throw Error("cannot write '" + path + "': " + sf_strerror(nullptr));
        sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
        // The peak chunk carries a time stamp: without it, equal renders give equal files.
        sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);

        const std::size_t frames = audio.frames();
        const auto nch = static_cast<std::size_t>(info.channels);
        constexpr std::size_t kChunk = 65536;
        std::vector<float> interleaved(kChunk * nch);
        for (std::size_t pos = 0; pos < frames && failure.empty(); pos += kChunk) {
            const std::size_t n = std::min(kChunk, frames - pos);
            for (std::size_t c = 0; c < nch; ++c)
                for (std::size_t i = 0; i < n; ++i)
                    interleaved[i * nch + c] = audio.channels[c][pos + i];
            if (sf_writef_float(file.get(), interleaved.data(), static_cast<sf_count_t>(n)) !=
                static_cast<sf_count_t>(n))
                failure = sf_strerror(file.get());
        }
        if (failure.empty() && sf_close(file.release()) != 0)
            failure = "error while closing the file";
    }
    if (failure.empty() && std::rename(temp.c_str(), path.c_str()) != 0)
        failure = std::strerror(errno);
    if (!failure.empty()) {
        std::remove(temp.c_str());
        throw Error("cannot write '" + path + "': " + failure);
    }
}

} // namespace mirelow
