#include "core/window/layout.h"

#include <cstdint>

namespace trifolio::layout {
namespace {

constexpr std::string_view kMainTabs[] = {"Status", "Tastenbelegung", "Optionen", "Info"};
constexpr std::string_view kInfoTabs[] = {"Programminfo", "Hilfe", "Kontakt"};

Rect offset(Rect r, const Rect& by) {
    r.left += by.left;
    r.top += by.top;
    return r;
}

int scale(int twips, int dpi) {
    const std::int64_t product = static_cast<std::int64_t>(twips) * dpi;
    const std::int64_t half = product >= 0 ? 720 : -720;
    return static_cast<int>((product + half) / 1440);
}

}  // namespace

std::span<const std::string_view> tabsOf(std::string_view tabStrip) {
    if (tabStrip == "TabStrip1")
        return kMainTabs;
    if (tabStrip == "TabInfo")
        return kInfoTabs;
    return {};
}

Rect absoluteTwips(const ControlRow& control) {
    Rect r = control.twips;
    for (const ControlRow* p = find(control.parent); p; p = find(p->parent))
        r = offset(r, p->twips);
    return r;
}

std::string_view windowParent(const ControlRow& control) {
    for (const ControlRow* p = find(control.parent); p; p = find(p->parent))
        if (p->kind == Kind::Page)
            return p->name;
    return {};
}

int twipsToPixels(int twips, int dpi) {
    return scale(twips, dpi);
}

int fontPixels(int hundredthsOfPoint, int dpi) {
    const std::int64_t product = static_cast<std::int64_t>(hundredthsOfPoint) * dpi;
    return static_cast<int>((product + 3600) / 7200);
}

Rect toPixels(const ControlRow& control, int dpi) {
    const Rect a = absoluteTwips(control);
    Rect base;
    if (const ControlRow* p = find(windowParent(control)))
        base = absoluteTwips(*p);
    const int left = scale(a.left, dpi) - scale(base.left, dpi);
    const int top = scale(a.top, dpi) - scale(base.top, dpi);
    const int right = scale(a.right(), dpi) - scale(base.left, dpi);
    const int bottom = scale(a.bottom(), dpi) - scale(base.top, dpi);
    return {left, top, right - left, bottom - top};
}

Rect clientPixels(int dpi) {
    return {0, 0, scale(kClientWidth, dpi), scale(kClientHeight, dpi)};
}

}  // namespace trifolio::layout
