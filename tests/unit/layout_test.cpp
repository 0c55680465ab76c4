// The window's layout table at every DPI.
#include "core/window/layout.h"

#include <gtest/gtest.h>

namespace trifolio::layout {
namespace {

// The control's rectangle relative to the client area, through its window parents.
Rect inWindow(const ControlRow& c, int dpi) {
    Rect r = toPixels(c, dpi);
    for (const ControlRow* p = find(windowParent(c)); p; p = find(windowParent(*p))) {
        const Rect pr = toPixels(*p, dpi);
        r.left += pr.left;
        r.top += pr.top;
    }
    return r;
}
bool inside(const Rect& inner, const Rect& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}
bool overlap(const Rect& a, const Rect& b) {
    return a.left < b.right() && b.left < a.right() && a.top < b.bottom() && b.top < a.bottom();
}

// At every DPI each control lies inside its parent, the pages inside their tab strip
// (TabInfo's below its tabs along the top), siblings do not overlap except the stacked
// pages, and controls that touch in twips still touch in pixels.
TEST(Layout, ControlsStayInsideApartAndTouchingAtEveryDpi) {
    const auto all = controls();
    const auto stacked = [](const ControlRow& c) {
        return c.kind == Kind::Page || c.kind == Kind::TabStrip;
    };
    for (int dpi : {96, 120, 144, 168, 192, 288}) {
        SCOPED_TRACE(dpi);
        for (const auto& a : all) {
            const ControlRow* parent = find(a.parent);
            const Rect pa = inWindow(a, dpi), ta = absoluteTwips(a);
            EXPECT_TRUE(inside(pa, parent ? inWindow(*parent, dpi) : clientPixels(dpi))) << a.name;
            for (const auto& b : all) {
                if (&a >= &b || a.parent != b.parent)
                    continue;
                const Rect pb = inWindow(b, dpi), tb = absoluteTwips(b);
                const std::string pair = std::string(a.name) + "/" + std::string(b.name);
                EXPECT_TRUE((stacked(a) && stacked(b)) || !overlap(pa, pb)) << pair;
                EXPECT_TRUE(ta.bottom() != tb.top || pa.bottom() == pb.top) << pair;
                EXPECT_TRUE(tb.bottom() != ta.top || pb.bottom() == pa.top) << pair;
                EXPECT_TRUE(ta.right() != tb.left || pa.right() == pb.left) << pair;
                EXPECT_TRUE(tb.right() != ta.left || pb.right() == pa.left) << pair;
            }
        }
        const Rect strip = inWindow(*find("TabStrip1"), dpi);
        for (auto page : {"pStatus", "pTastenbelegung", "pOptionen", "pInfo"})
            EXPECT_TRUE(inside(inWindow(*find(page), dpi), strip)) << page;
        const Rect info = inWindow(*find("TabInfo"), dpi);
        for (auto page : {"FProgramminfo", "fHilfe", "fKontakt"}) {
            EXPECT_TRUE(inside(inWindow(*find(page), dpi), info)) << page;
            EXPECT_GE(inWindow(*find(page), dpi).top - info.top, twipsToPixels(450, dpi)) << page;
        }
    }
}

}  // namespace
}  // namespace trifolio::layout
