// The frame: views, invalidation, painting into the back buffer and the mouse, the same on every
// platform; the window itself is the backend's (CFrameBackend.h).
#include "CFrame.h"
#include "CFrameBackend.h"

#include <algorithm>

CFrame::CFrame(const CRect& r, FrameEditor* ed) : CFrame(r, uintptr_t(0), ed) {}

CFrame::CFrame(const CRect& r, uintptr_t parentWindow, FrameEditor* ed) : CView(r), editor(ed) {
    pParentFrame = this;
    // Black until the first paint fills it with the background.
    screen =
        new COffscreenContext(this, std::max(1, r.width()), std::max(1, r.height()), kBlackCColor);
    if (parentWindow)
        backend = Backend::create(this, parentWindow, r);
    invalidate(CRect(0, 0, r.width(), r.height()));
}

CFrame::~CFrame() {
    if (modalView)
        modalView->forget();
    for (CView* v : views)
        v->forget();
    views.clear();
    backend.reset();
    screen->forget();
}

bool CFrame::addView(CView* view) {
    if (!view || isChild(view))
        return false;
    views.push_back(view);
    view->setParentFrame(this);
    view->setDirty(true);
    return true;
}

bool CFrame::removeView(CView* view, bool withForget) {
    auto it = std::find(views.begin(), views.end(), view);
    if (it == views.end())
        return false;
    views.erase(it);
    invalidate(view->size);
    if (withForget)
        view->forget();
    return true;
}

bool CFrame::isChild(const CView* view) const {
    return std::find(views.begin(), views.end(), view) != views.end();
}

CView* CFrame::getView(int index) const {
    return index >= 0 && index < getNbViews() ? views[index] : nullptr;
}

void CFrame::invalidate(const CRect& rect) {
    invalidRect.unite(rect);
}

void CFrame::setModalView(CView* view) {
    if (modalView) {
        invalidate(modalView->size);
        modalView->forget();
    }
    modalView = view;
    if (modalView) {
        modalView->setParentFrame(this);
        modalView->setDirty(true);
    }
}

void CFrame::draw(CDrawContext*) {
    redraw();
}

void CFrame::redraw() {
    invalidate(CRect(0, 0, size.width(), size.height()));
    paintDirty(true);
}

void CFrame::paintDirty(bool force) {
    CRect updated;
    if (!invalidRect.isEmpty()) {
        CRect r = invalidRect;
        r.bound(CRect(0, 0, size.width(), size.height()));
        screen->setFillColor(background);
        screen->fillRect(r);
        for (CView* v : views)
            if (v->size.rectOverlap(r))
                v->setDirty(true);
        if (modalView && modalView->size.rectOverlap(r))
            modalView->setDirty(true);
        updated = r;
        invalidRect = CRect();
    }
    for (CView* v : views) {
        if (force || v->isDirty()) {
            v->draw(screen);
            v->setDirty(false);
            updated.unite(v->size);
        }
    }
    if (modalView && (modalView->isDirty() || updated.rectOverlap(modalView->size))) {
        modalView->draw(screen);
        modalView->setDirty(false);
        updated.unite(modalView->size);
    }
    if (backend) {
        updated.unite(backend->exposed);
        backend->exposed = CRect();
        updated.bound(CRect(0, 0, size.width(), size.height()));
        backend->present(screen, updated);
    }
}

void CFrame::idle() {
    if (backend) {
        backend->pump(!inMouse);
        if (backend->pressPending) {
            backend->pressPending = false;
            paintDirty(false);
            mouseDown(backend->pressWhere, backend->pressButtons);
        }
    }
    paintDirty(false);
}

void CFrame::doIdleStuff() {
    if (backend) {
        backend->pump(false);
        backend->waitForInput();
    } else if (!script.empty()) {
        if (scriptPos + 1 < script.size()) {
            ++scriptPos;
            headlessWhere = script[scriptPos].where;
            headlessButtons = script[scriptPos].buttons;
        } else {
            headlessButtons = 0;
        }
    }
    paintDirty(false);
}

CView* CFrame::viewAt(const CPoint& where) const {
    for (auto it = views.rbegin(); it != views.rend(); ++it)
        if ((*it)->getMouseEnabled() && (*it)->hitTest(where))
            return *it;
    return nullptr;
}

void CFrame::mouseDown(const CPoint& where, long buttons) {
    if (inMouse)
        return;
    CView* target = modalView ? modalView : viewAt(where);
    if (!target)
        return;
    inMouse = true;
    target->remember();
    CPoint w = where;
    target->mouse(screen, w, buttons);
    target->forget();
    inMouse = false;
    paintDirty(false);
}

long CFrame::getMouseButtons() {
    if (backend) {
        CPoint where;
        long buttons = 0;
        return backend->queryPointer(where, buttons) ? buttons : 0;
    }
    return headlessButtons;
}

void CFrame::getMouseLocation(CPoint& where) {
    if (backend) {
        long buttons = 0;
        if (!backend->queryPointer(where, buttons))
            where = CPoint(-1, -1);
        return;
    }
    where = headlessWhere;
}

bool CFrame::isHeadless() const {
    return !backend;
}

uintptr_t CFrame::getWindow() const {
    return backend ? backend->window() : 0;
}

void CFrame::playMouse(const std::vector<CMouseStep>& steps) {
    if (steps.empty() || backend)
        return;
    script = steps;
    scriptPos = 0;
    headlessWhere = steps[0].where;
    headlessButtons = steps[0].buttons;
    mouseDown(steps[0].where, steps[0].buttons);
    headlessWhere = script.back().where;
    headlessButtons = 0;
    script.clear();
}

void CFrame::setMousePosition(const CPoint& where) {
    headlessWhere = where;
}
