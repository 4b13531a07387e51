// wendle: the spectral filter effect. It learns two filter shapes (filter zero and filter one)
// from its input and filters every bin at a position between them, by hand or swept by a
// tempo-locked LFO, with depth, tilt, gain gliding, make-up and automatic gain. It shows the
// VST-style effect interface; the Pro Tools binding wraps it.
#pragma once

#include "engine/TablePublisher.h"
#include "vst/spect.h"
#include "wendle/WendleDisplay.h"
#include "wendle/WendleDsp.h"
#include "wendle/WendleParams.h"
#include "wendle/WendleProgram.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

// Threads (the model of SpectralEngine.h): the process calls (and through them processSpect)
// run on the audio thread; parameters, programs, chunks, curve chunks and the editor on others.
// Shared scalars are atomics. The program records are the host side's, under the state lock; the
// frame reads the current program's dB curves from a copy published whole after every change.
// The frame hook alone writes the target gains and the tilt curve: the parameter calls publish
// the values these derive from and mark them stale, and the next frame rebuilds them before it
// reads them, so a frame never sees a half-built array.
class wendle : public spect {
  public:
    static constexpr VstInt32 kUniqueId = fourCharCode("+wdx");
    static constexpr VstInt32 kDefaultPrograms = 16; // what the Pro Tools binding creates
    static constexpr VstInt32 kDefaultParams = wendlefx::kNumParams;
    static constexpr int kBins = wendlefx::kBins;
    static constexpr int kNumCurves = wendlefx::kNumCurves;
    static constexpr VstInt32 kProgramBytes = static_cast<VstInt32>(wendlefx::kProgramBytes);

    // audioMaster may be null. Every program starts fresh ("Init", flat filters); program 0 is
    // selected; readyLevel is 2 on return. Throws std::bad_alloc if memory runs out.
    explicit wendle(audioMasterCallback audioMaster, VstInt32 numPrograms = kDefaultPrograms,
                    VstInt32 numParams = kDefaultParams);
    ~wendle() override;

    // Identity: "+wendle", "Mirelow", "Mirelow Wendle".
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;

    // Parameters 0 … 13 (0 and 1 inert), normalised 0 … 1. Indices outside 0 … 13 and non-finite
    // values are ignored. Other values outside 0 … 1 are stored and mapped as given, except that
    // the LFO divisor stays within 1 … 11 and the make-up and tilt factors within ±240 dB, so
    // that nothing divides by zero or overflows. Text buffers must hold 24 bytes.
    // Any thread: under the state lock, except on the audio thread, which never waits (a change
    // it makes while a host call holds the lock is applied by that call before it returns).
    // Ending learning (or a reset) from another thread than the audio one waits for a frame that
    // is inside its summing loop (a few microseconds), so no frame's power is split. Reading
    // "makeup gain" answers the output factor as automatic gain has moved it and changes
    // nothing; a chunk written once automatic gain has moved the factor carries that reading as
    // the current program's make-up gain.
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* label) override;

    // Programs, names and chunks: host threads (they take the state lock and may wait for it).
    // Indices outside 0 … numPrograms−1 are ignored. Names keep at most 23 characters;
    // a program named "Init" reads as "Init <number from 1>". Buffers hold 24 bytes.
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    // The name of program `index` as getProgramName shows it, without selecting it.
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    // The on/off parameters are switches; others have no properties.
    bool getParameterProperties(VstInt32 index, VstParameterProperties* properties) override;

    // Chunks: one big-endian WendleProgram record (preset, kProgramBytes) or numPrograms of them
    // followed by the current program's trailer (bank, vst/BankTrailer.h). getChunk's data stays
    // valid until the next getChunk. setChunk answers the bytes it read, or 0 (nothing changed)
    // when the data is null, shorter than a record (preset) or than the bank's records, holds a
    // NaN or infinite float, or ends in a cut trailer. A preset lands in the current program. A
    // bank makes the program its trailer names current; without a trailer, or with one naming no
    // program, the current program stays.
    VstInt32 getChunk(void** data, bool isPreset = false) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset = false) override;

    // MIDI control changes 7, 75, 76, 77, 78 move make-up gain, depth, tilt, filter number and
    // LFO rate; only once the effect is fully built. Always answers 1. Audio thread.
    VstInt32 processEvents(VstEvents* events) override;

    // The per-frame hook: LFO, learning, gain rebuild, glide, apply. Audio thread.
    void processSpect() override;

    // Host tempo in beats per minute for the LFO's tempo lock (written before each render).
    // Non-finite values are ignored. The LFO counts hops against getSampleRate().
    void setHostTempo(float bpm);
    float getHostTempo() const { return hostTempo.load(std::memory_order_relaxed); }

    // Curves of the current program, kBins floats each (curve numbers 0 … 7, wendlefx::Curve),
    // or nullptr for another number. For reading on a host thread while no other thread changes
    // the programs (tests, tools).
    const float* programCurve(int curve) const;
    // Curve chunks: kBins big-endian floats. get answers false for a bad number or a buffer of
    // fewer than kBins·4 bytes; set also answers false (changing nothing) for a non-finite
    // float. The gains follow a curve set at the next frame. Host threads.
    bool getCurveBigEndian(int curve, void* out, std::size_t bytes);
    bool setCurveBigEndian(int curve, const void* in, std::size_t bytes);
    // An edit of the selected filter's linear curve on one side (kBins factors): stored in the
    // program, the dB curves re-derived as the curve-edited flag does (the right one only while
    // the sides are not linked), and the gains follow at the next frame. Host threads; the way
    // an editor hands over what the user drew.
    void setSelectedLinearCurve(int side, const float* linear);

    // Editor's reads (GUI thread, tolerant of one-frame-late values). The curve pointers depend
    // on the selected filter and the program: fetch them again on every idle. The spectrum
    // display may draw into selectedLinearCurve and set the curve-edited flag; the next frame
    // hands the edit to the host side, which re-derives the dB curves under the state lock.
    float* selectedLinearCurve(int side); // side 0 left, 1 right
    // A copy of the selected filter's linear curve on one side (kBins floats), taken under the
    // state lock so that a curve chunk or program being loaded meanwhile is seen whole. Host
    // threads.
    void copySelectedLinearCurve(int side, float* out);
    const float* appliedGain(int side) const;
    const float* targetGain(int side) const;
    const float* tiltCurveData() const { return tiltCurve.data(); }
    bool isLearning() const { return learning.load(std::memory_order_relaxed) != 0; }
    int getSelectedFilter() const { return selectedFilter.load(std::memory_order_relaxed); }
    float getFilterPosition() const { return filterPosition.load(std::memory_order_relaxed); }
    // The spectrum display sets this word to 1 when the user draws into a curve; the frame hook
    // reads it, and the host side clears it when it has taken the edit.
    int32_t* curveEditedFlag() { return &curveEdited; }
    // Per-side display factors of the filter curves (1.0) and the display's rotation word (0).
    float* displayFactor(int side) { return &displayFactors[side & 1]; }
    int32_t* displayShift() { return &shiftWord; }

    // Display frames for an editor (WendleDisplay.h): while wanted, every frame publishes its
    // spectra, applied gains and tilt curve whole (a copy of some 24 KB per hop). Any thread.
    void setDisplayWanted(bool wanted) { displayWanted.store(wanted, std::memory_order_relaxed); }
    // The newest published frame, intact until the next call. One reader: the editor's thread.
    const wendlefx::WendleDisplayFrame& displayFrame() { return display.acquire(); }

    VstInt32 programCount() const { return programTotal; }

    // Learning, reset and tilt as the parameters drive them (under the state lock).
    void startLearning();
    void finishLearning();
    void resetSelectedFilter();
    void computeTilt();

  protected:
    // Told of every parameter value set, a program's included, under the state lock: it must
    // not call back into the effect. Does nothing here.
    virtual void parameterSet(VstInt32 index, float value);

  private:
    using Bins = std::array<float, wendlefx::kBins>;
    // The current program's four dB curves (filter f, side s at 2f + s), as the frame reads them.
    using DecibelCurves = std::array<Bins, 4>;

    // Changes the state lock hands over besides parameter indices.
    static constexpr int kCurveEdited = -2; // the curve-edited flag was found set
    void applyChange(int index, float value);
    template <class Call> void underLock(Call&& call);
    template <class Call> void changeState(int index, float value, Call&& call);
    // Stores the value, converts it through its row's type and runs the row's action.
    void setParameterLocked(VstInt32 index, float value);
    void act(wendlefx::Action action, float value, float units);
    // The make-up gain that the output factor reads as, or the value last set when the factor
    // has none (0).
    float makeupReading() const;
    // A program's record in chunk form; the current one carries the make-up gain as read.
    void encodeForChunk(VstInt32 program, unsigned char* out);
    void setProgramLocked(VstInt32 program);
    void takeCurveEdit();
    void publishCurves();

    // Rebuilds the target gains from the published dB curves. Audio thread.
    void refreshGains(const DecibelCurves& curves);
    // Marks the target gains stale; the next frame rebuilds them.
    void requestRefresh() { refreshPending.store(true, std::memory_order_release); }
    // Moves the LFO one hop; true when it moved the position (and rebuilt the gains).
    bool advanceLfoStep(const DecibelCurves& curves);
    void waitForSummingToEnd() const;
    wendlefx::WendleProgram& currentProgram() { return *current; }
    void storeRaw(int index, float value);
    // Units shown for the rows whose display follows the live state.
    float liveUnits(int index) const;

    VstInt32 programTotal;
    std::unique_ptr<wendlefx::WendleProgram[]> programs;
    std::unique_ptr<unsigned char[]> chunkScratch; // programTotal records, big-endian, + trailer
    wendlefx::WendleProgram* current = nullptr;    // under the state lock
    TablePublisher<DecibelCurves> curves_;

    std::array<std::atomic<float>, wendlefx::kNumParams> raw{};
    // Each parameter in its row's units (depth, tilt amount, divisor …) as last set. The values
    // the frame moves itself, the position and the LFO rate, live in their own atomics.
    std::array<std::atomic<float>, wendlefx::kNumParams> units_{};

    std::atomic<float> filterPosition{0.0f};
    std::atomic<int> selectedFilter{0};

    std::atomic<int> learning{0};
    std::atomic<int> learnFrames{0};
    std::atomic<bool> summing{false};
    alignas(4) int32_t curveEdited = 0; // accessed through std::atomic_ref here
    std::atomic<bool> refreshPending{false};
    std::atomic<bool> tiltPending{false};

    std::atomic<float> lfoRate{0.0f};
    float lfoDirection = 1.0f; // audio thread only
    std::atomic<float> hostTempo{0.0f};

    Bins learnSumLeft, learnSumRight;
    Bins inputPowerLeft, inputPowerRight;
    Bins targetGainLeft, targetGainRight;
    Bins tiltCurve, tiltOffsets;
    Bins appliedGainLeft, appliedGainRight;

    std::atomic<bool> displayWanted{false};
    TablePublisher<wendlefx::WendleDisplayFrame> display;

    float displayFactors[2] = {1.0f, 1.0f};
    int32_t shiftWord = 0;
};
