// The widget set both editors are built from.
#pragma once

#include "ARSDrawContext.h"
#include "VGButtons.h"
#include "VGControl.h"
#include "VGKnob.h"
#include "VGLabels.h"
#include "VGSpect.h"
#include "VGVertMeter.h"
