// editorlayout: compares a picture of a plug-in's editor taken on Windows (editorsnap under Wine)
// with the same editor opened headless here, by layout (EditorLayout.h).
//
//   editorlayout tidemill|wendle WINDOWS.png
//
// Prints one line per disagreement and exits 1 when there is any, else prints a summary and
// exits 0.
#include "EditorLayout.h"
#include "compander/dehiss.h"
#include "compander/dehisseditor.h"
#include "gui/CVSTEditor.h"
#include "wendle/WendleVstEffect.h"

#include <cairo.h>

#include <memory>

namespace {

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

int compare(CFrame* frame, const char* png) {
    cairo_surface_t* s = cairo_image_surface_create_from_png(png);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "editorlayout: cannot read %s\n", png);
        cairo_surface_destroy(s);
        return 1;
    }
    cairo_surface_flush(s);
    const unsigned char* data = cairo_image_surface_get_data(s);
    const int stride = cairo_image_surface_get_stride(s);
    const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
    const std::vector<std::string> faults = editorlayout::compare(
        frame,
        [&](int x, int y) {
            return reinterpret_cast<const uint32_t*>(data + y * stride)[x] & 0xFFFFFF;
        },
        w, h);
    cairo_surface_destroy(s);
    for (const std::string& f : faults)
        std::printf("%s\n", f.c_str());
    if (faults.empty())
        std::printf("layout matches: %d x %d, %d widgets\n", w, h, frame->getNbViews());
    return faults.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: editorlayout tidemill|wendle WINDOWS.png\n");
        return 2;
    }
    const std::string plugin = argv[1];
    // As the Windows host does: the effect opened and running, the editor opened and idled.
    auto prepare = [](AudioEffect& fx) {
        AEffect* e = fx.getAeffect();
        e->dispatcher(e, effOpen, 0, 0, nullptr, 0);
        e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.f);
        e->dispatcher(e, effSetBlockSize, 0, 512, nullptr, 0);
        e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0);
    };
    auto idle = [](AudioEffect& fx) {
        AEffect* e = fx.getAeffect();
        for (int i = 0; i < 30; ++i)
            e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0);
    };
    if (plugin == "tidemill") {
        auto fx = std::make_unique<dehiss>(host);
        prepare(*fx);
        auto* editor = static_cast<dehisseditor*>(fx->getEditor());
        if (!editor->openHeadless())
            return 1;
        idle(*fx);
        return compare(editor->getFrame(), argv[2]);
    }
    if (plugin == "wendle") {
        auto fx = std::make_unique<WendleVstEffect>(host);
        prepare(*fx);
        auto* editor = static_cast<CVSTEditor*>(fx->getEditor());
        if (!editor->open(nullptr))
            return 1;
        idle(*fx);
        return compare(editor->getFrame(), argv[2]);
    }
    std::fprintf(stderr, "editorlayout: no plug-in '%s'\n", argv[1]);
    return 2;
}
