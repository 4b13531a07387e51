// The host routines: each checks its arguments, finds the group or process and calls the
// framework. Nothing throws across this boundary.
#include "RoutineTable.h"

#include "engine/Text.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <new>

#include "EffectClasses/CEffectGroup.h"
#include "ProcessClasses/CEffectProcess.h"

namespace pil {

namespace {

CEffectProcess* AsProcess(PIInstance* instance) {
    return reinterpret_cast<CEffectProcess*>(instance);
}

// The process behind an initialised instance, or null.
CEffectProcess* Ready(PIInstance* instance) {
    CEffectProcess* process = AsProcess(instance);
    return process && process->IsInitialized() ? process : nullptr;
}

PIErr ErrorOf(PIInstance* instance) {
    return instance ? kPIErr_NotInitialized : kPIErr_BadInstance;
}

template <typename F> PIErr Guarded(F&& f) {
    try {
        return f();
    } catch (const std::bad_alloc&) {
        return kPIErr_NoMemory;
    } catch (...) {
        return kPIErr_Unsupported;
    }
}

PIErr GetProtocolVersion(int32_t* version) {
    if (!version)
        return kPIErr_BadArgument;
    *version = kPIProtocolVersion;
    return kPINoErr;
}

PIErr GetGroupInfo(PIGroupInfo* info) {
    const CEffectGroup* group = CEffectGroup::Current();
    if (!group)
        return kPIErr_BadInstance;
    if (!info)
        return kPIErr_BadArgument;
    group->FillInfo(*info);
    return kPINoErr;
}

PIErr GetGroupGestalt(int32_t selector, int32_t* value) {
    const CEffectGroup* group = CEffectGroup::Current();
    if (!group)
        return kPIErr_BadInstance;
    if (!value)
        return kPIErr_BadArgument;
    *value = group->HasGestalt(selector) ? 1 : 0;
    return kPINoErr;
}

PIErr GetTypeInfo(int32_t typeIndex, PITypeInfo* info) {
    const CEffectGroup* group = CEffectGroup::Current();
    if (!group)
        return kPIErr_BadInstance;
    const CEffectType* type = group->GetType(typeIndex);
    if (!type)
        return kPIErr_BadIndex;
    if (!info)
        return kPIErr_BadArgument;
    type->FillInfo(*info);
    return kPINoErr;
}

PIErr GetTypeGestalt(int32_t typeIndex, int32_t selector, int32_t* value) {
    const CEffectGroup* group = CEffectGroup::Current();
    if (!group)
        return kPIErr_BadInstance;
    const CEffectType* type = group->GetType(typeIndex);
    if (!type)
        return kPIErr_BadIndex;
    if (!value)
        return kPIErr_BadArgument;
    *value = type->HasGestalt(selector) ? 1 : 0;
    return kPINoErr;
}

PIErr CreateInstance(int32_t typeIndex, PIInstance** instance) {
    if (!instance)
        return kPIErr_BadArgument;
    *instance = nullptr;
    const CEffectGroup* group = CEffectGroup::Current();
    if (!group)
        return kPIErr_BadInstance;
    const CEffectType* type = group->GetType(typeIndex);
    if (!type)
        return kPIErr_BadIndex;
    return Guarded([&] {
        CEffectProcess* process = type->CreateProcess();
        if (!process)
            return static_cast<PIErr>(kPIErr_NoMemory);
        *instance = reinterpret_cast<PIInstance*>(process);
        return static_cast<PIErr>(kPINoErr);
    });
}

PIErr DestroyInstance(PIInstance* instance) {
    if (!instance)
        return kPIErr_BadInstance;
    return Guarded([&] {
        delete AsProcess(instance);
        return static_cast<PIErr>(kPINoErr);
    });
}

PIErr Initialize(PIInstance* instance, int32_t stemFormat, double sampleRate,
                 const PITempoInterface* tempo) {
    CEffectProcess* process = AsProcess(instance);
    if (!process)
        return kPIErr_BadInstance;
    return Guarded([&] { return process->Initialize(stemFormat, sampleRate, tempo); });
}

PIErr GetNumControls(PIInstance* instance, int32_t* count) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!count)
        return kPIErr_BadArgument;
    *count = process->GetNumControls();
    return kPINoErr;
}

PIErr GetControlInfo(PIInstance* instance, int32_t control, PIControlInfo* info) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    const CPluginControl* c = process->GetControl(control);
    if (!c)
        return kPIErr_BadIndex;
    if (!info)
        return kPIErr_BadArgument;
    c->FillInfo(*info);
    info->isMasterBypass = control == process->GetMasterBypassControlIndex() ? 1 : 0;
    return kPINoErr;
}

PIErr SetControl(PIInstance* instance, int32_t control, int32_t value) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    return Guarded([&] { return process->SetControlValue(control, value); });
}

PIErr GetControl(PIInstance* instance, int32_t control, int32_t* value) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    return process->GetControlValue(control, value);
}

PIErr GetControlText(PIInstance* instance, int32_t control, int32_t value, char* text,
                     int32_t size) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    const CPluginControl* c = process->GetControl(control);
    if (!c)
        return kPIErr_BadIndex;
    if (!text || size < 1)
        return kPIErr_BadArgument;
    return Guarded([&] {
        copyText(text, c->GetValueString(value).c_str(), static_cast<size_t>(size));
        return static_cast<PIErr>(kPINoErr);
    });
}

PIErr GetAlgorithmText(PIInstance* instance, int32_t control, char* text, int32_t size) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!process->GetControl(control))
        return kPIErr_BadIndex;
    if (!text || size < 1)
        return kPIErr_BadArgument;
    text[0] = 0;
    return Guarded([&] { return process->GetAlgorithmText(control, text, size); });
}

PIErr GetAlgorithmValue(PIInstance* instance, int32_t control, float* value) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!process->GetControl(control))
        return kPIErr_BadIndex;
    if (!value)
        return kPIErr_BadArgument;
    return Guarded([&] { return process->GetAlgorithmValue(control, value); });
}

PIErr GetNumChunks(PIInstance* instance, int32_t* count) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!count)
        return kPIErr_BadArgument;
    *count = process->GetNumChunks();
    return kPINoErr;
}

PIErr GetChunkInfo(PIInstance* instance, int32_t index, PIChunkInfo* info) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!info)
        return kPIErr_BadArgument;
    return process->GetChunkInfo(index, *info);
}

PIErr GetChunkSize(PIInstance* instance, PIFourCC chunkID, int32_t* size) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!size)
        return kPIErr_BadArgument;
    return Guarded([&] { return process->GetChunkSize(chunkID, size); });
}

PIErr GetChunk(PIInstance* instance, PIFourCC chunkID, PIChunkHeader* record, int32_t capacity) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    return Guarded([&] { return process->GetChunkChecked(chunkID, record, capacity); });
}

PIErr SetChunk(PIInstance* instance, PIFourCC chunkID, const PIChunkHeader* record,
               int32_t length) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    return Guarded([&] { return process->SetChunkChecked(chunkID, record, length); });
}

// Audio thread: no allocation, no lock, nothing thrown.
PIErr Render(PIInstance* instance, float** inputs, float** outputs, int32_t frames) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    return process->Render(inputs, outputs, frames);
}

PIErr GetMeters(PIInstance* instance, int32_t* values, int32_t* clips, int32_t count) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!values || !clips || count < process->GetNumChannels())
        return kPIErr_BadArgument;
    return process->GetMetersFromDSP(values, clips);
}

PIErr GetView(PIInstance* instance, PIViewInfo* view) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!view)
        return kPIErr_BadArgument;
    return Guarded([&] { return process->GetViewPort(*view); });
}

PIErr GetLatency(PIInstance* instance, int32_t* samples) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    if (!samples)
        return kPIErr_BadArgument;
    return process->GetDelaySamplesLong(samples);
}

PIErr SetAutomationInterface(PIInstance* instance, const PIAutomationInterface* automation) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    process->SetAutomationInterface(automation);
    return kPINoErr;
}

// The view routines: an initialised instance whose view exists, every call guarded (the view's
// failures never cross the boundary).
template <typename F> PIErr WithView(PIInstance* instance, F&& f) {
    CEffectProcess* process = Ready(instance);
    if (!process)
        return ErrorOf(instance);
    CPlugInView* view = process->GetPlugInView();
    if (!view)
        return kPIErr_NoView;
    return Guarded([&] { return f(*process, *view); });
}

PIErr GetViewRect(PIInstance* instance, PIViewRect* rect) {
    if (!rect)
        return Ready(instance) ? kPIErr_BadArgument : ErrorOf(instance);
    return WithView(instance,
                    [&](CEffectProcess&, CPlugInView& view) { return view.GetRect(*rect); });
}

PIErr SetViewRect(PIInstance* instance, const PIViewRect* rect) {
    if (!rect)
        return Ready(instance) ? kPIErr_BadArgument : ErrorOf(instance);
    return WithView(instance,
                    [&](CEffectProcess&, CPlugInView& view) { return view.SetRect(*rect); });
}

PIErr OpenView(PIInstance* instance, uint64_t parentWindow) {
    return WithView(instance, [&](CEffectProcess& process, CPlugInView&) {
        return process.OpenView(parentWindow);
    });
}

PIErr OpenViewOffscreen(PIInstance* instance) {
    return WithView(instance, [&](CEffectProcess& process, CPlugInView&) {
        return process.OpenViewOffscreen();
    });
}

PIErr CloseView(PIInstance* instance) {
    return WithView(instance, [&](CEffectProcess&, CPlugInView& view) { return view.Close(); });
}

PIErr IdleView(PIInstance* instance) {
    return WithView(instance,
                    [&](CEffectProcess& process, CPlugInView&) { return process.IdleView(); });
}

PIErr DrawView(PIInstance* instance, const PIViewRect* rect) {
    if (!rect)
        return Ready(instance) ? kPIErr_BadArgument : ErrorOf(instance);
    return WithView(instance, [&](CEffectProcess&, CPlugInView& view) { return view.Draw(*rect); });
}

PIErr SetControlHighlight(PIInstance* instance, int32_t control, int32_t highlighted,
                          int32_t colour) {
    return WithView(instance, [&](CEffectProcess& process, CPlugInView& view) {
        if (!process.GetControl(control))
            return static_cast<PIErr>(kPIErr_BadIndex);
        return view.SetControlHighlight(control, highlighted != 0, colour);
    });
}

PIErr GetControlAtPoint(PIInstance* instance, int32_t x, int32_t y, int32_t* control) {
    if (!control)
        return Ready(instance) ? kPIErr_BadArgument : ErrorOf(instance);
    *control = 0;
    return WithView(instance, [&](CEffectProcess&, CPlugInView& view) {
        return view.GetControlAtPoint(x, y, control);
    });
}

PIErr GetViewPicture(PIInstance* instance, PIViewPicture* picture) {
    if (!picture || !picture->pixels)
        return Ready(instance) ? kPIErr_BadArgument : ErrorOf(instance);
    return WithView(instance, [&](CEffectProcess& process, CPlugInView&) {
        return process.GetViewPicture(*picture);
    });
}

PIErr Reserved(void) {
    return kPIErr_Unsupported;
}

template <typename F> void* Address(F f) {
    return reinterpret_cast<void*>(f);
}

const std::array<void*, kPINumRoutines> kRoutines = [] {
    std::array<void*, kPINumRoutines> table{};
    table.fill(Address(&Reserved));
    table[kPIRoutine_GetProtocolVersion] = Address(&GetProtocolVersion);
    table[kPIRoutine_GetGroupInfo] = Address(&GetGroupInfo);
    table[kPIRoutine_GetGroupGestalt] = Address(&GetGroupGestalt);
    table[kPIRoutine_GetTypeInfo] = Address(&GetTypeInfo);
    table[kPIRoutine_GetTypeGestalt] = Address(&GetTypeGestalt);
    table[kPIRoutine_CreateInstance] = Address(&CreateInstance);
    table[kPIRoutine_DestroyInstance] = Address(&DestroyInstance);
    table[kPIRoutine_Initialize] = Address(&Initialize);
    table[kPIRoutine_GetNumControls] = Address(&GetNumControls);
    table[kPIRoutine_GetControlInfo] = Address(&GetControlInfo);
    table[kPIRoutine_SetControl] = Address(&SetControl);
    table[kPIRoutine_GetControl] = Address(&GetControl);
    table[kPIRoutine_GetControlText] = Address(&GetControlText);
    table[kPIRoutine_GetAlgorithmText] = Address(&GetAlgorithmText);
    table[kPIRoutine_GetAlgorithmValue] = Address(&GetAlgorithmValue);
    table[kPIRoutine_GetNumChunks] = Address(&GetNumChunks);
    table[kPIRoutine_GetChunkInfo] = Address(&GetChunkInfo);
    table[kPIRoutine_GetChunkSize] = Address(&GetChunkSize);
    table[kPIRoutine_GetChunk] = Address(&GetChunk);
    table[kPIRoutine_SetChunk] = Address(&SetChunk);
    table[kPIRoutine_Render] = Address(&Render);
    table[kPIRoutine_GetMeters] = Address(&GetMeters);
    table[kPIRoutine_GetView] = Address(&GetView);
    table[kPIRoutine_GetLatency] = Address(&GetLatency);
    table[kPIRoutine_SetAutomationInterface] = Address(&SetAutomationInterface);
    table[kPIRoutine_GetViewRect] = Address(&GetViewRect);
    table[kPIRoutine_SetViewRect] = Address(&SetViewRect);
    table[kPIRoutine_OpenView] = Address(&OpenView);
    table[kPIRoutine_OpenViewOffscreen] = Address(&OpenViewOffscreen);
    table[kPIRoutine_CloseView] = Address(&CloseView);
    table[kPIRoutine_IdleView] = Address(&IdleView);
    table[kPIRoutine_DrawView] = Address(&DrawView);
    table[kPIRoutine_SetControlHighlight] = Address(&SetControlHighlight);
    table[kPIRoutine_GetControlAtPoint] = Address(&GetControlAtPoint);
    table[kPIRoutine_GetViewPicture] = Address(&GetViewPicture);
    return table;
}();

} // namespace

void* GetRoutine(int32_t selector) {
    if (selector < 0 || selector >= kPINumRoutines)
        return nullptr;
    return kRoutines[static_cast<size_t>(selector)];
}

} // namespace pil
