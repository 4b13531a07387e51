// Views a process can show in the host's plug-in window. Without a custom interface the
// framework's view without resources stands in, registered under a name by the effect group.
#pragma once

class CPlugInView {
  public:
    virtual ~CPlugInView() = default;
};

// The framework's view that needs no resources.
class CNoResourceView : public CPlugInView {
  public:
    static CPlugInView* Create() { return new CNoResourceView; }
};

using ViewCreatorProc = CPlugInView* (*)();
