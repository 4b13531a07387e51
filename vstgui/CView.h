// Views and controls: a rectangle of the frame that draws itself and answers the mouse, and the
// control that adds a value in a range, a tag and a listener.
#pragma once

#include "CDrawContext.h"

class CFrame;
class CBitmap;
class CControl;

class CView : public CReferenceCounter {
  public:
    explicit CView(const CRect& size);
    ~CView() override;

    // Paints the view into `context` (frame coordinates).
    virtual void draw(CDrawContext* context);
    // A button press at `where` (frame coordinates); buttons -1 means "read them from the context".
    virtual void mouse(CDrawContext* context, CPoint& where, long buttons = -1);

    virtual void setDirty(bool val = true) { bDirty = val; }
    virtual bool isDirty() const { return bDirty; }
    virtual bool hitTest(const CPoint& where) const { return size.pointInside(where); }

    virtual void setViewSize(const CRect& rect) {
        size = rect;
        setDirty();
    }
    void getViewSize(CRect& rect) const { rect = size; }
    const CRect& getViewSize() const { return size; }

    virtual void setMouseEnabled(bool enable = true) { bMouseEnabled = enable; }
    bool getMouseEnabled() const { return bMouseEnabled; }

    void setParentFrame(CFrame* frame) { pParentFrame = frame; }
    CFrame* getFrame() const { return pParentFrame; }

    CRect size;

  protected:
    // Whether a press is one this view acts on: the mouse is enabled and the left button is down.
    // `buttons` of -1 means "ask the context", and is replaced by its answer.
    bool takesLeftPress(CDrawContext* context, long& buttons) const {
        if (!bMouseEnabled)
            return false;
        if (buttons == -1 && context)
            buttons = context->getMouseButtons();
        return (buttons & kLButton) != 0;
    }

    bool bDirty = true;
    bool bMouseEnabled = true;
    CFrame* pParentFrame = nullptr;
};

// Told by controls when their value changed through the user.
class CControlListener {
  public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // A click with a modifier held, offered before the control acts; non-zero consumes it.
    virtual long controlModifierClicked(CDrawContext* context, CControl* control, long button) {
        (void)context;
        (void)control;
        (void)button;
        return 0;
    }
};

class CControl : public CView {
  public:
    CControl(const CRect& size, CControlListener* listener = nullptr, long tag = 0,
             CBitmap* background = nullptr);
    ~CControl() override;

    // Sets the value; the control repaints at the next idle when it changed.
    virtual void setValue(float val) {
        if (val != value) {
            value = val;
            setDirty();
        }
    }
    virtual float getValue() const { return value; }
    virtual void setMin(float val) { vmin = val; }
    virtual float getMin() const { return vmin; }
    virtual void setMax(float val) { vmax = val; }
    virtual float getMax() const { return vmax; }
    virtual void setDefaultValue(float val) { defaultValue = val; }
    virtual float getDefaultValue() const { return defaultValue; }
    virtual void setTag(long val) { tag = val; }
    long getTag() const { return tag; }
    void setListener(CControlListener* l) { listener = l; }
    CControlListener* getListener() const { return listener; }

    // Dirty when marked so or when the value moved since the last paint.
    void setDirty(bool val = true) override;
    bool isDirty() const override;
    // Clamps the value into minimum … maximum.
    virtual void bounceValue();

    // Edit gestures reaching the host through the frame's editor.
    virtual void beginEdit();
    virtual void endEdit();
    // Lets the frame repaint and pump its events during a modal mouse loop.
    void doIdleStuff();
    void getMouseLocation(CDrawContext* context, CPoint& where);

  protected:
    CControlListener* listener;
    long tag;
    float oldValue = 1.f;
    float defaultValue = 0.5f;
    float value = 0.f;
    float vmin = 0.f;
    float vmax = 1.f;
    CBitmap* pBackground;
};
