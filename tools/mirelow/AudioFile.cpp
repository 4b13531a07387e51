// Audio file I/O through libsndfile: planar blocks in and out, whole files on top of them.
#include "AudioFile.h"

#include "Error.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <unistd.h>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

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

bool AudioFormat::fullScaleBound() const {
    switch (sndfileFormat & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
    case SF_FORMAT_PCM_16:
    case SF_FORMAT_PCM_24:
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_ULAW:
    case SF_FORMAT_ALAW:
        return (sndfileFormat & SF_FORMAT_TYPEMASK) != SF_FORMAT_OGG;
    default:
        return false;
    }
}

namespace {

// Interleaved scratch for one block of I/O.
constexpr std::size_t kIoFrames = 16384;

// 16-bit PCM in the containers whose samples libsndfile converts in one way (WAV and its
// relatives, AIFF, CAF, in their own byte order) is converted here, planar on one side and
// interleaved on the other in one pass, with libsndfile's own arithmetic: sample s reads as
// s / 32768; value v is written as round(v · 2^31) >> 16, held at full scale, NaN as the
// bottom (its float path with clipping on, whose 32-bit conversion answers NaN so). The bytes are
// the ones libsndfile's float path gives.
bool convertsShorts(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
    case SF_FORMAT_W64:
    case SF_FORMAT_AIFF:
    case SF_FORMAT_CAF:
        return (format & SF_FORMAT_SUBMASK) == SF_FORMAT_PCM_16 &&
               (format & SF_FORMAT_ENDMASK) == SF_ENDIAN_FILE;
    default:
        return false;
    }
}

// Frames of interleaved `in` to planar out[c] + at.
void shortsToPlanar(const short* in, std::size_t frames, std::size_t channels, float* const* out,
                    std::size_t at) {
    constexpr float kScale = 1.0f / 32768.0f;
    if (channels == 2) {
        float* l = out[0] + at;
        float* r = out[1] + at;
        for (std::size_t i = 0; i < frames; ++i) {
            l[i] = static_cast<float>(in[2 * i]) * kScale;
            r[i] = static_cast<float>(in[2 * i + 1]) * kScale;
        }
        return;
    }
    for (std::size_t c = 0; c < channels; ++c) {
        float* dst = out[c] + at;
        for (std::size_t i = 0; i < frames; ++i)
            dst[i] = static_cast<float>(in[i * channels + c]) * kScale;
    }
}

short toShort(float v) {
    const float t = v * 2147483648.0f;
    if (t >= 2147483647.0f)
        return 32767;
    if (!(t > -2147483648.0f))
        return -32768;
    return static_cast<short>(std::lrintf(t) >> 16);
}

#ifdef __SSE2__
// Four values at once: the same rounding (the current mode, as lrintf), the top held one step
// below 2^31 (whose conversion would overflow), the bottom and NaN converting to -2^31 by
// themselves (min keeps its second operand when one is NaN).
__m128i toShortBits(const float* v) {
    __m128 t = _mm_mul_ps(_mm_loadu_ps(v), _mm_set1_ps(2147483648.0f));
    t = _mm_min_ps(_mm_set1_ps(2147483520.0f), t);
    return _mm_srai_epi32(_mm_cvtps_epi32(t), 16);
}
#endif

// Frames of planar in[c] + at to interleaved `out`.
void planarToShorts(const float* const* in, std::size_t at, std::size_t frames,
                    std::size_t channels, short* out) {
    std::size_t i = 0;
#ifdef __SSE2__
    if (channels == 2) {
        const float* l = in[0] + at;
        const float* r = in[1] + at;
        for (; i + 4 <= frames; i += 4) {
            const __m128i a = toShortBits(l + i), b = toShortBits(r + i);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i),
                             _mm_packs_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b)));
        }
    } else if (channels == 1) {
        const float* m = in[0] + at;
        for (; i + 8 <= frames; i += 8)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_packs_epi32(toShortBits(m + i), toShortBits(m + i + 4)));
    }
#endif
    for (; i < frames; ++i)
        for (std::size_t c = 0; c < channels; ++c)
            out[i * channels + c] = toShort(in[c][at + i]);
}

// Files being written under their temporary names. An interrupted run (Ctrl-C, a batch system
// ending the job) removes them on its way out, so that it too leaves nothing half-written. The
// signal handler only reads the slots and unlinks: both are safe in a handler.
class PendingFiles {
  public:
    static PendingFiles& instance() {
        static PendingFiles files;
        return files;
    }
    // Returns the slot, or -1 when all are taken (the file is then only removed on errors).
    int add(const std::string& path) {
        char* copy = ::strdup(path.c_str());
        for (int i = 0; i < kSlots; ++i) {
            char* expected = nullptr;
            if (slots_[i].compare_exchange_strong(expected, copy))
                return i;
        }
        std::free(copy);
        return -1;
    }
    void remove(int slot) {
        if (slot >= 0)
            std::free(slots_[slot].exchange(nullptr));
    }

  private:
    static constexpr int kSlots = 256;
    PendingFiles() {
        struct sigaction action {};
        action.sa_handler = &PendingFiles::onSignal;
        sigemptyset(&action.sa_mask);
        for (int sig : kSignals)
            sigaddset(&action.sa_mask, sig);
        for (int sig : kSignals)
            sigaction(sig, &action, nullptr);
    }
    // The handler stays in place until the files are gone: a second signal (a supervisor often
    // sends one to the process and one to its group) that lands on another thread meanwhile runs
    // it there too, instead of ending the process before the unlinking is done.
    static void onSignal(int sig) {
        for (auto& slot : instance().slots_)
            if (const char* path = slot.load())
                ::unlink(path);
        ::signal(sig, SIG_DFL);
        ::raise(sig); // the default action, once this handler returns
    }
    static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
    std::array<std::atomic<char*>, kSlots> slots_{};
};

} // namespace

AudioReader::AudioReader(const std::string& path) : path_(path) {
    SF_INFO info{};
    file_ = sf_open(path.c_str(), SFM_READ, &info);
    if (!file_) {
        const std::string why = sf_strerror(nullptr);
        if (access(path.c_str(), F_OK) != 0)
            throw Error("cannot read '" + path + "': no such file");
        if (access(path.c_str(), R_OK) != 0)
            throw Error("cannot read '" + path + "': permission denied");
        throw Error("cannot read '" + path + "': " + why);
    }
    SndfilePtr guard(file_);
    if (info.channels < 1 || info.samplerate < 1)
        throw Error("cannot read '" + path + "': no audio channels or no sample rate");
    if (info.frames < 0)
        throw Error("cannot read '" + path + "': unsupported length");
    channels_ = info.channels;
    sampleRate_ = info.samplerate;
    format_.sndfileFormat = info.format;
    expected_ = static_cast<std::size_t>(info.frames);
    headerCutOff_ = headerClaimsMoreData(file_);
    if (convertsShorts(info.format))
        shorts_.resize(kIoFrames * static_cast<std::size_t>(channels_));
    else
        interleaved_.resize(kIoFrames * static_cast<std::size_t>(channels_));
    guard.release();
}

AudioReader::~AudioReader() {
    sf_close(file_);
}

std::size_t AudioReader::read(float* const* planar, std::size_t frames) {
    const auto nch = static_cast<std::size_t>(channels_);
    std::size_t done = 0;
    while (done < frames && !ended_) {
        const std::size_t want = std::min(kIoFrames, frames - done);
        const sf_count_t got =
            shorts_.empty()
                ? sf_readf_float(file_, interleaved_.data(), static_cast<sf_count_t>(want))
                : sf_readf_short(file_, shorts_.data(), static_cast<sf_count_t>(want));
        if (got < 0)
            throw Error("cannot read '" + path_ + "': " + sf_strerror(file_));
        const auto n = static_cast<std::size_t>(got);
        if (!shorts_.empty())
            shortsToPlanar(shorts_.data(), n, nch, planar, done); // whole numbers: all finite
        for (std::size_t c = 0; c < nch && shorts_.empty(); ++c) {
            float* dst = planar[c] + done;
            for (std::size_t i = 0; i < n; ++i) {
                const float v = interleaved_[i * nch + c];
                // A NaN or an infinity would spread through every spectrum it enters.
                if (!std::isfinite(v))
                    throw Error("cannot read '" + path_ + "': sample " + std::to_string(read_ + i) +
                                " of channel " + std::to_string(c + 1) + " is not a finite number");
                dst[i] = v;
            }
        }
        done += n;
        read_ += n;
        if (n < want)
            ended_ = true;
    }
    return done;
}

std::string AudioReader::warning() const {
    // A file shorter than its header claims keeps what could be read, and says so.
    if (headerCutOff_ || (ended_ && read_ < expected_))
        return "'" + path_ + "' is shorter than its header says (cut off?); using the " +
               std::to_string(ended_ ? read_ : expected_) + " frames it holds";
    return {};
}

AudioWriter::AudioWriter(const std::string& path, const AudioFormat& format, int channels,
                         double rate)
    : path_(path), channels_(channels) {
    SF_INFO info{};
    info.format = format.sndfileFormat;
    info.channels = channels;
    info.samplerate = static_cast<int>(rate + 0.5);
    if (!sf_format_check(&info))
        throw Error("cannot write '" + path + "': " + format.describe() + " does not take " +
                    std::to_string(info.channels) + " channel(s) at " +
                    std::to_string(info.samplerate) + " Hz");
    temp_ = path + ".mirelow-" + std::to_string(getpid()) + ".tmp";
    pending_ = PendingFiles::instance().add(temp_);
    file_ = sf_open(temp_.c_str(), SFM_WRITE, &info);
    if (!file_) {
        PendingFiles::instance().remove(pending_);
        throw Error("cannot write '" + path + "': " + sf_strerror(nullptr));
    }
    sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    // The peak chunk carries a time stamp: without it, equal renders give equal files.
    sf_command(file_, SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    if (convertsShorts(info.format))
        shorts_.resize(kIoFrames * static_cast<std::size_t>(channels));
    else
        interleaved_.resize(kIoFrames * static_cast<std::size_t>(channels));
}

AudioWriter::~AudioWriter() {
    if (file_) {
        sf_close(file_);
        std::remove(temp_.c_str());
    }
    PendingFiles::instance().remove(pending_);
}

void AudioWriter::fail(const std::string& why) {
    if (file_) {
        sf_close(file_);
        file_ = nullptr;
    }
    std::remove(temp_.c_str());
    throw Error("cannot write '" + path_ + "': " + why);
}

void AudioWriter::write(const float* const* planar, std::size_t frames) {
    if (!file_)
        throw Error("cannot write '" + path_ + "': already closed");
    const auto nch = static_cast<std::size_t>(channels_);
    for (std::size_t pos = 0; pos < frames;) {
        const std::size_t n = std::min(kIoFrames, frames - pos);
        sf_count_t put = 0;
        if (!shorts_.empty()) {
            planarToShorts(planar, pos, n, nch, shorts_.data());
            put = sf_writef_short(file_, shorts_.data(), static_cast<sf_count_t>(n));
        } else {
            for (std::size_t c = 0; c < nch; ++c) {
                const float* src = planar[c] + pos;
                for (std::size_t i = 0; i < n; ++i)
                    interleaved_[i * nch + c] = src[i];
            }
            put = sf_writef_float(file_, interleaved_.data(), static_cast<sf_count_t>(n));
        }
        if (put != static_cast<sf_count_t>(n))
            fail(sf_strerror(file_));
        pos += n;
    }
}

void AudioWriter::commit() {
    if (!file_)
        throw Error("cannot write '" + path_ + "': already closed");
    const int closed = sf_close(file_);
    file_ = nullptr;
    if (closed != 0)
        fail("error while closing the file");
    if (std::rename(temp_.c_str(), path_.c_str()) != 0)
        fail(std::strerror(errno));
}

AudioFileData readAudioFile(const std::string& path) {
    AudioReader reader(path);
    if (reader.expectedFrames() > (std::size_t{1} << 31))
        throw Error("cannot read '" + path + "': unsupported length");
    AudioFileData data;
    data.format = reader.format();
    data.audio = AudioBuffer(reader.channels(), reader.expectedFrames(), reader.sampleRate());
    std::vector<float*> planar;
    for (auto& ch : data.audio.channels)
        planar.push_back(ch.data());
    const std::size_t got = reader.read(planar.data(), reader.expectedFrames());
    for (auto& ch : data.audio.channels)
        ch.resize(got);
    data.warning = reader.warning();
    return data;
}

bool knownAudioExtension(const std::string& extension) {
    std::string ext = extension;
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    return majorFormatForExtension(ext) != 0;
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
    AudioWriter writer(path, format, audio.numChannels(), audio.sampleRate);
    std::vector<const float*> planar;
    for (const auto& ch : audio.channels)
        planar.push_back(ch.data());
    writer.write(planar.data(), audio.frames());
    writer.commit();
}

} // namespace mirelow
