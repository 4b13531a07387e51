// The top-level view: holds the views of an editor, repaints the dirty ones from idle and feeds
// them the mouse. Two backends paint through the same code into one back buffer: a child window
// of the platform's window system inside the host's window (events pumped from idle, no
// threads), or headless, where a test scripts the mouse and reads the picture back as pixels or a
// PNG file.
#pragma once

#include "CView.h"

#include <cstdint>
#include <memory>
#include <vector>

// What the frame needs of its editor: the edit gestures around a mouse change.
class FrameEditor {
  public:
    virtual ~FrameEditor() = default;
    virtual void beginEdit(long index) { (void)index; }
    virtual void endEdit(long index) { (void)index; }
};

// One step of a scripted mouse gesture: position (frame coordinates) and button bits.
struct CMouseStep {
    CPoint where;
    long buttons;
};

class CFrame : public CView {
  public:
    // On screen: a child window of the host's window `parentWindow` (an X11 window id, or a
    // window handle on Windows). With parentWindow 0, or when the child window cannot be made,
    // the frame is headless.
    CFrame(const CRect& size, uintptr_t parentWindow, FrameEditor* editor);
    // The same with the parent window as the host hands it to effEditOpen (null: headless).
    CFrame(const CRect& size, void* systemWindow, FrameEditor* editor)
        : CFrame(size, reinterpret_cast<uintptr_t>(systemWindow), editor) {}
    // Headless frame.
    CFrame(const CRect& size, FrameEditor* editor = nullptr);
    ~CFrame() override;

    // Takes over the caller's reference to the view.
    bool addView(CView* view);
    bool removeView(CView* view, bool withForget = true);
    bool isChild(const CView* view) const;
    int getNbViews() const { return static_cast<int>(views.size()); }
    CView* getView(int index) const;

    void setBackgroundColor(const CColor& color) {
        background = color;
        invalidate(size);
    }
    CColor getBackgroundColor() const { return background; }

    // Marks an area for repainting at the next idle: the background and every view over it.
    void invalidate(const CRect& rect);
    // Paints what is dirty and shows it; pumps the window's events (on screen).
    void idle();
    // idle() as called from inside a modal mouse loop: events are pumped but no new press starts.
    void doIdleStuff();
    // Repaints everything now.
    void redraw();
    // Paints what is invalid or dirty now and shows it, without reading events.
    void paintInvalid() { paintDirty(false); }
    void draw(CDrawContext* context) override;

    // A view shown above all others that takes every click (the splash picture).
    void setModalView(CView* view);
    CView* getModalView() const { return modalView; }

    long getMouseButtons();
    void getMouseLocation(CPoint& where);

    void beginEdit(long tag) {
        if (editor)
            editor->beginEdit(tag);
    }
    void endEdit(long tag) {
        if (editor)
            editor->endEdit(tag);
    }
    FrameEditor* getEditor() const { return editor; }

    bool isHeadless() const;
    // The frame's own window (an X11 window id or a window handle), 0 when headless.
    uintptr_t getWindow() const;

    // The picture of the frame as shown (owned by the frame).
    COffscreenContext* getBackBuffer() const { return screen; }
    // 0x00RRGGBB of a pixel of the back buffer.
    uint32_t getPixel(CCoord x, CCoord y) const { return screen->getPixel(x, y); }
    bool writePng(const char* path) const { return screen->writePng(path); }

    // Headless mouse: presses at steps[0] and hands the press to the view under it; every
    // doIdleStuff of the view's mouse loop then moves on to the next step; after the last step
    // the buttons read as released at the last position.
    void playMouse(const std::vector<CMouseStep>& steps);
    // Where the pointer hovers (headless); (-1, -1) is outside the frame.
    void setMousePosition(const CPoint& where);

    // Dispatches a button press to the view under `where` (both backends).
    void mouseDown(const CPoint& where, long buttons);

    // The window system's side of an on-screen frame (CFrameBackend.h).
    struct Backend;

  private:
    void paintDirty(bool force);
    CView* viewAt(const CPoint& where) const;

    std::vector<CView*> views;
    CView* modalView = nullptr;
    FrameEditor* editor;
    CColor background = kWhiteCColor;
    CRect invalidRect;
    COffscreenContext* screen = nullptr;
    std::unique_ptr<Backend> backend;
    bool inMouse = false;

    // Headless pointer.
    std::vector<CMouseStep> script;
    size_t scriptPos = 0;
    CPoint headlessWhere{-1, -1};
    long headlessButtons = 0;
};
