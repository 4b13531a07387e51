// The GUI toolkit the widget set and the editors stand on: value types, drawing contexts, views,
// controls, the frame (a child window or headless), bitmaps and the splash control.
#pragma once

#include "CBitmap.h"
#include "CDrawContext.h"
#include "CFrame.h"
#include "CGeometry.h"
#include "CView.h"
