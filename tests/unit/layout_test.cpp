#include "window/layout.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace trifolio::layout {
namespace {

constexpr int kDpis[] = {96, 120, 144, 168, 192, 288};

Rect pixelsInWindow(const ControlSpec& c, int dpi) {
    // The control's rectangle relative to the client area, through its window parents.
    Rect r = toPixels(c, dpi);
    for (const ControlSpec* p = find(windowParent(c)); p; p = find(windowParent(*p))) {
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

TEST(Layout, ClientAreaIs457By370PixelsAt96Dpi) {
    EXPECT_EQ(clientPixels(96), (Rect{0, 0, 457, 370}));
    EXPECT_EQ(clientPixels(144), (Rect{0, 0, 686, 555}));
    EXPECT_EQ(twipsToPixels(15, 96), 1);
    EXPECT_EQ(twipsToPixels(1440, 120), 120);
    EXPECT_EQ(fontPixels(kNormalFont, 96), 11);
    EXPECT_EQ(fontPixels(kNormalFont, 144), 17);
    EXPECT_EQ(fontPixels(kTitleFont, 96), 27);
}

TEST(Layout, NamesAreUniqueAndParentsComeFirst) {
    std::set<std::string_view> seen;
    for (const auto& c : controls()) {
        EXPECT_TRUE(seen.insert(c.name).second) << c.name;
        if (!c.parent.empty()) {
            EXPECT_TRUE(seen.count(c.parent)) << c.name << " comes before its parent";
        }
    }
}

TEST(Layout, EveryControlTheProgramNamesExists) {
    std::vector<std::string> names = {
        "TabStrip1", "TabInfo",   "pStatus",       "pTastenbelegung", "pOptionen",  "pInfo",
        "fHilfe",    "fKontakt",  "FProgramminfo", "tHilfe",          "tNachricht", "tName",
        "tEmail",    "tHomepage", "Label27",       "StatusBar1",      "Picture1",   "Image7"};
    for (int n = 1; n <= 12; ++n)
        names.push_back("Combo" + std::to_string(n));
    for (int n = 1; n <= 8; ++n)
        names.push_back("Command" + std::to_string(n));
    for (int n = 1; n <= 3; ++n) {
        names.push_back("Check" + std::to_string(n));
        names.push_back("CB" + std::to_string(n) + "text");
        names.push_back("CB" + std::to_string(n) + "image2");
    }
    for (const auto& n : names)
        EXPECT_NE(find(n), nullptr) << n;
    EXPECT_EQ(tabsOf("TabStrip1").size(), 4u);
    EXPECT_EQ(tabsOf("TabInfo").size(), 3u);
}

TEST(Layout, NothingLiesOutsideItsParentAtAnyDpi) {
    for (int dpi : kDpis) {
        for (const auto& c : controls()) {
            const Rect r = pixelsInWindow(c, dpi);
            const ControlSpec* p = find(c.parent);
            const Rect outer = p ? pixelsInWindow(*p, dpi) : clientPixels(dpi);
            EXPECT_TRUE(inside(r, outer)) << c.name << " at " << dpi << " dpi";
        }
    }
}

TEST(Layout, PagesLieInsideTheirTabStrip) {
    for (int dpi : kDpis) {
        const Rect main = pixelsInWindow(*find("TabStrip1"), dpi);
        const Rect info = pixelsInWindow(*find("TabInfo"), dpi);
        for (auto page : {"pStatus", "pTastenbelegung", "pOptionen", "pInfo"})
            EXPECT_TRUE(inside(pixelsInWindow(*find(page), dpi), main)) << page << dpi;
        for (auto page : {"FProgramminfo", "fHilfe", "fKontakt"}) {
            const Rect r = pixelsInWindow(*find(page), dpi);
            EXPECT_TRUE(inside(r, info)) << page << dpi;
            // The tabs of TabInfo run along its top edge, above the sub-pages.
            EXPECT_GE(r.top - info.top, twipsToPixels(450, dpi)) << page << dpi;
        }
    }
}

TEST(Layout, SiblingsDoNotOverlapExceptStackedPages) {
    const auto all = controls();
    for (int dpi : kDpis) {
        for (size_t i = 0; i < all.size(); ++i) {
            for (size_t j = i + 1; j < all.size(); ++j) {
                const auto& a = all[i];
                const auto& b = all[j];
                if (a.parent != b.parent)
                    continue;
                // Pages lie on top of each other and on their tab strip: one shows at a time.
                const auto stacked = [](const ControlSpec& c) {
                    return c.kind == Kind::Page || c.kind == Kind::TabStrip;
                };
                if (stacked(a) && stacked(b))
                    continue;
                EXPECT_FALSE(overlap(pixelsInWindow(a, dpi), pixelsInWindow(b, dpi)))
                    << a.name << " and " << b.name << " at " << dpi << " dpi";
            }
        }
    }
}

TEST(Layout, ControlsThatTouchInTwipsTouchInPixels) {
    // Labels stacked edge to edge on the program information, and the group boxes'
    // contents, must neither gap nor overlap after rounding.
    const auto all = controls();
    int pairs = 0;
    for (const auto& a : all) {
        for (const auto& b : all) {
            if (a.parent != b.parent || &a == &b)
                continue;
            const Rect ta = absoluteTwips(a), tb = absoluteTwips(b);
            const bool vertical = ta.bottom() == tb.top;
            const bool horizontal = ta.right() == tb.left;
            if (!vertical && !horizontal)
                continue;
            ++pairs;
            for (int dpi : kDpis) {
                const Rect pa = pixelsInWindow(a, dpi), pb = pixelsInWindow(b, dpi);
                if (vertical) {
                    EXPECT_EQ(pa.bottom(), pb.top) << a.name << "/" << b.name << " " << dpi;
                }
                if (horizontal) {
                    EXPECT_EQ(pa.right(), pb.left) << a.name << "/" << b.name << " " << dpi;
                }
            }
        }
    }
    EXPECT_GT(pairs, 5);
}

TEST(Layout, ControlsInAGroupBoxArePlacedOnThePageAroundIt) {
    // A group box is no window of its own: Combo8 is placed on pTastenbelegung at the
    // frame's offset plus its own.
    const ControlSpec& combo8 = *find("Combo8");
    EXPECT_EQ(windowParent(combo8), "pTastenbelegung");
    EXPECT_EQ(toPixels(combo8, 96), (Rect{348, 48, 53, 21}));
    EXPECT_EQ(windowParent(*find("tName")), "fKontakt");
    EXPECT_EQ(windowParent(*find("fKontakt")), "pInfo");
}

TEST(Layout, ContactFormIsReachedInItsKeyboardOrder) {
    std::vector<std::string_view> order;
    for (const auto& c : controls())
        if (c.parent == "fKontakt" && (c.style & kTabStop))
            order.push_back(c.name);
    EXPECT_EQ(order, (std::vector<std::string_view>{"tNachricht", "tName", "tEmail", "tHomepage",
                                                    "Command8"}));
}

}  // namespace
}  // namespace trifolio::layout
