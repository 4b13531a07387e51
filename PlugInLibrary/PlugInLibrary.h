// The Pro Tools plug-in framework: effect group and types, processes, controls, chunks and the
// host routine table. A plug-in binding includes this one header.
#pragma once

#include "Controls/CPluginControl.h"
#include "Controls/ControlValue.h"
#include "DSPClasses/CTempoInterface.h"
#include "EffectClasses/CEffectGroup.h"
#include "EffectClasses/CEffectType.h"
#include "EffectClasses/CPlugInView.h"
#include "EffectClasses/CResourceAccess.h"
#include "EffectClasses/ChunkRecord.h"
#include "PlugInProtocol.h"
#include "ProcessClasses/CEffectProcess.h"
#include "ProcessClasses/CEffectProcessMIDI.h"
#include "ProcessClasses/CEffectProcessRTAS.h"
#include "ProcessClasses/ControlsChunk.h"
#include "RoutineTable.h"
