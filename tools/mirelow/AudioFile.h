// Audio files through libsndfile: block-by-block readers and writers of planar float audio (the
// renderer streams through them), whole-file reads and writes built on them, and the choice of
// an output's encoding (the input's, or the one the output's extension asks for).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

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
    // Whether the samples read from such a file lie within -1 … 1 (integer encodings).
    bool fullScaleBound() const;
};

struct AudioFileData {
    AudioBuffer audio;
    AudioFormat format;
    std::string warning; // set when the file is cut off: the audio is what it holds
};

// Reads a file block by block. Opening throws mirelow::Error naming the file and the problem;
// so does read() when a sample is NaN or infinite (the position is named) or the file fails.
class AudioReader {
  public:
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    const std::string& path() const { return path_; }
    int channels() const { return channels_; }
    double sampleRate() const { return sampleRate_; }
    AudioFormat format() const { return format_; }
    // Frames the header announces (for a cut-off WAV or AIFF, what the file holds).
    std::size_t expectedFrames() const { return expected_; }
    std::size_t framesRead() const { return read_; }

    // Reads up to `frames` frames into planar[0 … channels()-1]; fewer only at the end.
    std::size_t read(float* const* planar, std::size_t frames);
    // Set once the file is known to be cut off short of what its header says (at the latest
    // when read() has reached the end): the audio is what it holds.
    std::string warning() const;

  private:
    std::string path_;
    SNDFILE* file_ = nullptr;
    int channels_ = 0;
    double sampleRate_ = 0;
    AudioFormat format_;
    std::size_t expected_ = 0, read_ = 0;
    bool headerCutOff_ = false, ended_ = false;
    std::vector<float> interleaved_;
    std::vector<short> shorts_; // 16-bit PCM, converted here
};

// Writes a file block by block beside `path` under a temporary name; commit() closes it and
// renames it to `path`. A writer destroyed without commit() removes what it wrote, and so does
// an interrupted run (SIGINT, SIGTERM, SIGHUP): a failed run leaves nothing. Integer encodings clip
// instead of wrapping. Throws mirelow::Error.
class AudioWriter {
  public:
    AudioWriter(const std::string& path, const AudioFormat& format, int channels, double rate);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    void write(const float* const* planar, std::size_t frames);
    void commit();

  private:
    void fail(const std::string& why);

    std::string path_, temp_;
    SNDFILE* file_ = nullptr;
    int channels_ = 0;
    int pending_ = -1; // the slot that removes the temporary file if the run is interrupted
    std::vector<float> interleaved_;
    std::vector<short> shorts_; // 16-bit PCM, converted here
};

// Reads a whole file. Throws mirelow::Error naming the file and the problem, also when a
// sample is NaN or infinite.
AudioFileData readAudioFile(const std::string& path);

// The format to write `path` in: the major format its extension names (when libsndfile knows it),
// else the input's; the input's subtype when the major format takes it, else that format's default.
AudioFormat outputFormatFor(const std::string& path, const AudioFormat& input, int channels);

// Whether libsndfile writes a format for this file extension ("wav", "flac", "aif" …).
bool knownAudioExtension(const std::string& extension);

// Writes the whole buffer through an AudioWriter: the file appears complete or not at all.
void writeAudioFile(const std::string& path, const AudioBuffer& audio, const AudioFormat& format);

} // namespace mirelow
