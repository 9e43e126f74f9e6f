#include "kyrgx/Style.h"

#include "kyrgx/Graphics.h"

namespace kyrgx {

namespace {

// The four strips of a ring of insets q inside rectangle (l, t, r, b).
void fill_ring(Graphics& g, const Rect& rc, const Quad& q)
{
    const int l = rc.left;
    const int t = rc.top;
    const int r = rc.right;
    const int b = rc.bottom;
    const int w = r - l;
    const int h = b - t;
    g.fillRect(l, t, -q.left, h - q.bottom);
    g.fillRect(l - q.left, t, w + q.left, -q.top);
    g.fillRect(r - q.right, t - q.top, q.right, h + q.top);
    g.fillRect(l, b - q.bottom, w - q.right, q.bottom);
}

void use_colour(Graphics& g, Color c, float alphaFactor)
{
    g.setColor(c);
    g.setAlpha(static_cast<float>(c.a) * alphaFactor / 255.0f);
}

} // namespace

std::shared_ptr<Style> Style::cloneWithoutStates() const
{
    auto copy = std::make_shared<Style>();
    copy->name = name + "_";
    copy->padding = padding;
    copy->border = border;
    copy->margin = margin;
    copy->borderColor = borderColor;
    copy->backgroundColor = backgroundColor;
    copy->skinColor = skinColor;
    copy->textColor = textColor;
    copy->font = font;
    return copy;
}

std::shared_ptr<Style> Style::clone() const
{
    auto copy = cloneWithoutStates();
    for (const auto& [stateName, s] : states)
        if (s)
            copy->states[stateName] = s->clone();
    return copy;
}

std::shared_ptr<Style> Style::state(const std::string& stateName)
{
    auto it = states.find(stateName);
    if (it == states.end() || !it->second)
        it = states.insert_or_assign(stateName, clone()).first;
    return it->second;
}

void Style::setState(const std::string& stateName, std::shared_ptr<Style> style)
{
    states[stateName] = std::move(style);
}

void Style::drawFrame(Graphics& g, const Rect& rect, float alphaFactor) const
{
    Rect rc = inset(rect, margin);
    if ((border.right != border.left || border.bottom != border.top) && borderColor.a != 0) {
        use_colour(g, borderColor, alphaFactor);
        fill_ring(g, rc, border);
    }
    rc = inset(rc, border);
    if (backgroundColor.a != 0) {
        use_colour(g, backgroundColor, alphaFactor);
        fill_ring(g, rc, padding);
    }
    rc = inset(rc, padding);
    if (skinColor.a != 0) {
        use_colour(g, skinColor, alphaFactor);
        g.fillRect(rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    }
}

} // namespace kyrgx
