// The VST editor base on the toolkit.
#include "AEffGUIEditor.h"

#include "vst/AudioEffectX.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* e) : AEffEditor(e) {}

AEffGUIEditor::~AEffGUIEditor() = default;

bool AEffGUIEditor::getRect(ERect** ppRect) {
    if (!ppRect)
        return false;
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    AEffEditor::open(ptr);
    return true;
}

void AEffGUIEditor::close() {
    AEffEditor::close();
}

void AEffGUIEditor::idle() {
    if (frame)
        frame->idle();
}

// Widgets whose tags are not parameter indexes (the display, the meter, the scheme toggle) make
// edit gestures too; the host hears only those about parameters it knows.
static AudioEffectX* hostParameter(AudioEffect* effect, long index) {
    auto* fx = dynamic_cast<AudioEffectX*>(effect);
    return fx && index >= 0 && index < fx->getAeffect()->numParams ? fx : nullptr;
}

void AEffGUIEditor::beginEdit(long index) {
    if (auto* fx = hostParameter(effect, index))
        fx->beginEdit(static_cast<VstInt32>(index));
}

void AEffGUIEditor::endEdit(long index) {
    if (auto* fx = hostParameter(effect, index))
        fx->endEdit(static_cast<VstInt32>(index));
}
