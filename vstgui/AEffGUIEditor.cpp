// The VST editor base on the toolkit.
#include "AEffGUIEditor.h"

#include "vst/AudioEffectX.h"

AEffGUIEditor::AEffGUIEditor(AudioEffect* e) : AEffEditor(e) {}

AEffGUIEditor::~AEffGUIEditor() = default;

bool AEffGUIEditor::getRect(ERect** ppRect) {
    if (!ppRect) return false;
    *ppRect = &rect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    AEffEditor::open(ptr);
    return true;
}

void AEffGUIEditor::close() { AEffEditor::close(); }

void AEffGUIEditor::idle() {
    if (frame) frame->idle();
}

void AEffGUIEditor::beginEdit(long index) {
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect)) fx->beginEdit(static_cast<VstInt32>(index));
}

void AEffGUIEditor::endEdit(long index) {
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect)) fx->endEdit(static_cast<VstInt32>(index));
}
