// The simulator's plug-in window on the X display: a top-level window into which a plug-in opens
// its view. The window pumps only its own events (close requests and exposes); the plug-in's
// view reads its own on its own connection.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace ptsim {

class HostWindow {
  public:
    // Shown at once. Throws ptsim::Error when no X display can be opened.
    HostWindow(int width, int height, const std::string& title);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    uint64_t window() const;
    int width() const { return mWidth; }
    int height() const { return mHeight; }
    // Reads the window's events; false once the user asked to close it.
    bool pump();
    // Waits until the window is mapped (at most a second).
    void waitMapped();
    // Whether an X display can be opened.
    static bool displayAvailable();

    struct Impl;

  private:
    std::unique_ptr<Impl> mImpl;
    int mWidth, mHeight;
};

} // namespace ptsim
