// dehiss: the compander effect of tidemill. Every bin of every frame is compared with a threshold
// (scaled by a learned per-bin shape and a frequency tilt) and its gain glides towards a static
// law: downward expansion below the threshold, compression above it. Also the host-facing side:
// twelve parameters, eight programs, program and bank chunks, MIDI controllers.
#pragma once

#include "CompanderLaw.h"
#include "CompanderProgram.h"
#include "engine/TablePublisher.h"
#include "vst/spect.h"

#include <array>
#include <atomic>

class dehisseditor;

class dehiss : public spect {
  public:
    static constexpr VstInt32 kNumPrograms = compander::kNumPrograms;
    static constexpr VstInt32 kNumParams = compander::kNumParams;
    static constexpr VstInt32 kUniqueId = fourCharCode("+tdl");
    static constexpr int kBins = compander::kBins;
    static constexpr int kLearnPassFrames = 41;
    // Room assumed in the host's buffers for parameter names, labels and display texts.
    static constexpr int kParamTextBytes = 24;

    // Builds the programs, selects program 3 and reports itself ready. Throws std::bad_alloc
    // when the engine cannot be built.
    explicit dehiss(audioMasterCallback audioMaster);
    ~dehiss() override;

    // The per-frame hook: compands inSpect into outSpect, channel 1 and, when channelMode is 1,
    // channel 2 (channel 2's state is not touched otherwise). Audio thread: no allocation, no
    // lock.
    void processSpect() override;

    // MIDI control changes 7, 72, 73, 75, 76, 77 move gain, release, attack, threshold, ratio and
    // tilt. A null list, a negative count and null events are ignored. Answers 1. Audio thread.
    VstInt32 processEvents(VstEvents* events) override;

    // Stores the raw value (0 … 1, not clamped) into the live program and applies it; NaN and
    // infinite values are ignored. Any thread: under the state lock, except on the audio thread,
    // which never waits (a change it makes while a host call holds the lock is applied by that
    // call before it returns). Ending a learn pass from a host thread waits for a frame that is
    // inside its summing loop (microseconds).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;

    // Programs, names and chunks: host threads (they take the state lock and may wait for it).
    // Program numbers outside 0 … 7 are ignored.
    void setProgram(VstInt32 program) override;
    // At most 23 characters are kept; the rest of the name field is zero.
    void setProgramName(char* name) override;
    // "Init" shows with its program number counted from 1 ("Init 4").
    void getProgramName(char* name) override;
    // The name of program 0 … 7 as getProgramName shows it, without selecting the program;
    // false for other numbers (the buffer is left alone). The category is not used.
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;

    // The on/off and momentary parameters are switches labelled with their names; the others
    // answer false and leave the record alone.
    bool getParameterProperties(VstInt32 index, VstParameterProperties* properties) override;
    VstInt32 getPlugCategory() override { return kPlugCategRestoration; }

    // Program (4176 bytes) or bank (33416 bytes: the eight records and the current program's
    // trailer) in big-endian form. The memory stays the effect's and is valid until the next
    // call.
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    // Answers the size read, or 0 (nothing changed) for a short chunk, one holding a NaN or an
    // infinity, or a bank whose trailer is cut. A program lands in the current program. A bank
    // makes the program its trailer names current; a bank without a trailer (eight records
    // only), or whose trailer names no program 0 … 7, keeps the current program.
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;

    // Stores the rate and recomputes the attack and release coefficients for it. A rate that is
    // not finite and positive is ignored. Any thread, as setParameter.
    void setSampleRate(float rate) override;

    bool getEffectName(char* name) override;    // "+tidemill"
    bool getVendorString(char* text) override;  // "Mirelow"
    bool getProductString(char* text) override; // "Mirelow Tidemill"

    // Read by the editor and by tests: the newest published tables (the shapes are the current
    // program's). They are replaced whole when something changes: ask again each time rather
    // than keep the pointer.
    const float* gainTable() const { return gainLaw_.latest().table.data(); }
    const float* tiltWeight() const { return tilt_.latest().weight.data(); }
    const float* thresholdShape(int channel) const { return shapes_.latest()[channel & 1].data(); }
    // A program record; host threads, while no other thread changes programs.
    const compander::CompanderProgram& program(int index) const { return programs_[index]; }
    // Replaces the current program's threshold shape of channel 0 or 1 with `bins` (513 values)
    // and publishes it for processing: the editor's display draws the curve this way. Values
    // that are not finite and positive leave their bin as it was. Host threads.
    void setThresholdShape(int channel, const float* bins);

    // Per-channel state, kept from frame to frame, written by the audio thread. The learn
    // accumulators change hands: the frame fills them only while `learning` is set, inside its
    // summing section; the host side seeds, reads and clears them after it has cleared
    // `learning` and seen the section end.
    std::array<std::array<float, kBins>, 2> binPower{};
    std::array<std::array<float, kBins>, 2> binGain{};
    std::array<std::array<float, kBins>, 2> learnAccum{};
    std::array<float, 2> lastTableGain{1.0f, 1.0f};

    // Values derived from the parameters (written by setParameter, read by the audio thread):
    // the gain law's threshold and ratio, the smoothing coefficients, the invert switch.
    std::atomic<float> thresholdAmp{1.0f};
    std::atomic<float> thresholdPower{1.0f};
    std::atomic<float> ratioValue{1.0f};
    std::atomic<float> attackCoef{1.0f};
    std::atomic<float> releaseCoef{1.0f};
    std::atomic<int32_t> invertOn{0};
    std::atomic<int32_t> learning{0};
    std::atomic<int32_t> learnFrames{0};

  protected:
    // Tells the editor about a parameter change (any thread) and lets it catch up after a
    // program change.
    virtual void editorParameterChanged(VstInt32 index, float value);
    virtual void editorIdle();

  private:
    struct GainLaw {
        // gainTable: one target per levelTable entry, and a copy of the top entry for levels
        // at or above -1 dB (and NaN), which the lookup answers with index 120.
        std::array<float, compander::kLevels + 1> table;
        // The same targets, reached from a level in one step.
        compander::TargetLookup targets;
        float thresholdPower;
        float ratio;
    };
    struct TiltTable {
        std::array<float, kBins> weight;
        std::array<float, kBins> weightSquared;
    };
    // The processing shapes of channels 1 and 2: a copy of the current program's, published
    // whenever those change.
    using Shapes = std::array<std::array<float, kBins>, 2>;

    // A change the state lock hands over: a parameter index, or kRateChange with a sample rate.
    static constexpr int kRateChange = -2;
    void applyChange(int index, float value);
    template <class Call> void underLock(Call&& call);
    void setParameterLocked(VstInt32 index, float value);
    void setProgramLocked(VstInt32 program);
    void publishShapes();
    bool holdLearning();
    void learnFrame(bool stereo, bool peakMode);
    void channelPower(int channel);

    // Converts the value through its row's type, stores it in units and runs the row's action.
    void applyParameter(int index, float value);
    void act(compander::Action action, float units);
    void rebuildGainLaw();
    void rebuildTilt();
    void updateCoefficients();
    void learnControl(float value);
    void startLearning();
    void finishLearning();
    void computeShapes(compander::CompanderProgram& program);
    void resetShapes();
    void processChannel(int channel, const float* shape, const GainLaw& law, const TiltTable& tilt);

    compander::LevelLookup levelLookup_;
    TablePublisher<GainLaw> gainLaw_;
    TablePublisher<TiltTable> tilt_;
    TablePublisher<Shapes> shapes_;
    std::atomic<bool> summing_{false}; // a frame is inside its summing section
    std::array<std::atomic<float>, compander::kNumParams> rawValue_{};
    // Each parameter in its row's units (dB, seconds, ratio …), as last applied (within 0 … 1).
    std::array<std::atomic<float>, compander::kNumParams> units_{};
    std::array<compander::CompanderProgram, compander::kNumPrograms> programs_;
    std::array<unsigned char, compander::kBankChunkBytes> chunkPrograms_{};
    // The current program's record (under the state lock): its values are written by
    // setParameter and its two shapes are published as the processing shapes.
    compander::CompanderProgram* live_;
    // Owned by the effect base (deleted with it).
    dehisseditor* editor_ = nullptr;
};
