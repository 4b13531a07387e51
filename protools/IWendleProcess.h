// What the process offers its custom user interface: the editor's host bridge (control values by
// number, the path by which edits reach the host's automation, and the edit gestures), then the
// module and the effect, in this slot order.
#pragma once

#include <cstdint>

#include "gui/WendleEditorHost.h"

class wendle;

class IWendleProcess : public IWendleEditorHost {
  public:
    ~IWendleProcess() override = default;
    virtual void* GetModuleHandle() = 0;
    virtual wendle* GetEffect() = 0;
};
