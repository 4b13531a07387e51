// The VST build of the wendle effect: pins, the host's tempo, and the editor on the host's
// automation.
#include "wendle/WendleVstEffect.h"

#include "gui/CVSTEditor.h"

using namespace wendlefx;

namespace {

constexpr bool isControlIndex(int32_t index) {
    return wendleui::isParameterTag(index);
}

// wendle's editor in a VST host: before its own idle, the widgets of parameters the host (or a
// program, a chunk, MIDI) has set take the effect's values.
class WendleVstEditor : public CVSTEditor {
  public:
    WendleVstEditor(IWendleEditorHost* host, WendleVstEffect* effect)
        : CVSTEditor(host, effect), vstEffect(effect) {}

    void idle() override {
        if (isOpen()) {
            const uint32_t changed = vstEffect->takeChangedParameters();
            for (long tag = wendleui::kFirstParameterTag; tag <= wendleui::kLastParameterTag; ++tag)
                if ((changed & (1u << tag)) != 0)
                    if (VGControl* widget = getWidget(tag))
                        widget->setValue(vstEffect->getParameter(static_cast<VstInt32>(tag)));
        }
        CVSTEditor::idle();
    }

  private:
    WendleVstEffect* vstEffect;
};

} // namespace

WendleVstEffect::WendleVstEffect(audioMasterCallback audioMaster)
    : wendle(audioMaster, kDefaultPrograms, kDefaultParams) {
    pinsDecideChannelMode = true;
    new WendleVstEditor(&editorHost, this); // registers itself: the effect owns it
}

WendleVstEffect::~WendleVstEffect() {
    // The editor reads the effect and its bridge: it goes while both are whole.
    delete getEditor();
}

void WendleVstEffect::takeHostTempo() {
    const VstTimeInfo* time = getTimeInfo(kVstTempoValid);
    if (time != nullptr && (time->flags & kVstTempoValid) != 0)
        setHostTempo(static_cast<float>(time->tempo));
}

void WendleVstEffect::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (sampleFrames > 0)
        takeHostTempo();
    wendle::process(inputs, outputs, sampleFrames);
}

void WendleVstEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (sampleFrames > 0)
        takeHostTempo();
    wendle::processReplacing(inputs, outputs, sampleFrames);
}

void WendleVstEffect::parameterSet(VstInt32 index, float) {
    if (isControlIndex(index))
        changedParameters.fetch_or(1u << index, std::memory_order_relaxed);
}

uint32_t WendleVstEffect::takeChangedParameters() {
    return changedParameters.exchange(0, std::memory_order_relaxed);
}

int32_t WendleVstEffect::EditorHost::SetControlValueFromUI(int32_t index, int32_t value) {
    if (!isControlIndex(index))
        return -1;
    fx.setParameterAutomated(index, normalisedFromControlValue(value));
    return 0;
}

int32_t WendleVstEffect::EditorHost::GetControlValueForUI(int32_t index, int32_t* value) {
    if (!isControlIndex(index) || value == nullptr)
        return -1;
    *value = controlValueFromNormalised(fx.getParameter(index));
    return 0;
}

int32_t WendleVstEffect::EditorHost::GetControlDefaultValue(int32_t index, int32_t* value) {
    if (!isControlIndex(index) || value == nullptr)
        return -1;
    const int slot = kParams[static_cast<std::size_t>(index)].slot;
    *value = controlValueFromNormalised(kFreshSlots[static_cast<std::size_t>(slot)]);
    return 0;
}

int32_t WendleVstEffect::EditorHost::TouchControl(int32_t index) {
    if (!isControlIndex(index))
        return -1;
    fx.beginEdit(index);
    return 0;
}

int32_t WendleVstEffect::EditorHost::ReleaseControl(int32_t index) {
    if (!isControlIndex(index))
        return -1;
    fx.endEdit(index);
    return 0;
}

int32_t WendleVstEffect::EditorHost::EditNotification(int32_t) {
    return 0;
}
