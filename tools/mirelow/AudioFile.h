// Audio files through libsndfile: whole-file reads into planar float buffers and writes that keep
// the input's sample rate and encoding (or the encoding the output's extension asks for).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mirelow {

// Planar float audio: one vector per channel, all of the same length.
struct AudioBuffer {
    double sampleRate = 44100.0;
    std::vector<std::vector<float>> channels;

    AudioBuffer() = default;
    AudioBuffer(int numChannels, std::size_t frames, double rate)
        : sampleRate(rate),
          channels(static_cast<std::size_t>(numChannels), std::vector<float>(frames, 0.0f)) {}

    int numChannels() const { return static_cast<int>(channels.size()); }
    std::size_t frames() const { return channels.empty() ? 0 : channels.front().size(); }
    double seconds() const {
        return sampleRate > 0 ? static_cast<double>(frames()) / sampleRate : 0.0;
    }
};

// The libsndfile format word (major format | subtype | endianness) of a file.
struct AudioFormat {
    int sndfileFormat = 0;
    std::string describe() const; // "WAV, 24-bit PCM"
};

struct AudioFileData {
    AudioBuffer audio;
    AudioFormat format;
    std::string warning; // set when the file is cut off: the audio is what it holds
};

// Reads a whole file. Throws mirelow::Error naming the file and the problem, also when a
// sample is NaN or infinite.
AudioFileData readAudioFile(const std::string& path);

// The format to write `path` in: the major format its extension names (when libsndfile knows it),
// else the input's; the input's subtype when the major format takes it, else that format's default.
AudioFormat outputFormatFor(const std::string& path, const AudioFormat& input, int channels);

// Writes the whole buffer. Integer encodings clip instead of wrapping. The file appears
// complete or not at all: it is written beside `path` under a temporary name and renamed.
void writeAudioFile(const std::string& path, const AudioBuffer& audio, const AudioFormat& format);

} // namespace mirelow
