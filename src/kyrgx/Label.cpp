#include "kyrgx/Label.h"

#include "kyrgx/Graphics.h"
#include "kyrgx/GraphicsDriver.h"
#include "kyrgx/ImageFont.h"
#include "kyrgx/Style.h"
#include "kyrgx/TextLayout.h"
#include "kyrgx/UiRoot.h"

#include <algorithm>
#include <atomic>

namespace kyrgx {

namespace {

std::atomic<int> g_label_counter{0};

int horizontal(int alignment)
{
    return alignment % 3;
}

int vertical(int alignment)
{
    return alignment / 3;
}

} // namespace

Label::Label(UiRoot* root, int x, int y, int width, int height, const std::wstring& text)
    : Control(root, x, y, width, height, text)
{
    style_ = root_->style("label");
    updateBounds();
    autoSize_ = false;
    updateBounds();
    name_ = L"Label" + std::to_wstring(g_label_counter++);
}

Label::~Label() = default;

Rect Label::contentRect() const
{
    const Rect outer{position_.x, position_.y, position_.x + size_.x, position_.y + size_.y};
    return inset(inset(inset(outer, style_->padding), style_->border), style_->margin);
}

void Label::prepare(Graphics& g)
{
    g.setBlendMode(BLEND_ALPHA);
    style_->drawFrame(g, {position_.x, position_.y, position_.x + size_.x, position_.y + size_.y}, 1.0f);
    g.setColor(style_->textColor);
    g.setAlpha(1.0f);
    g.setFont(style_->font);
}

void Label::draw(Graphics& g)
{
    if (multiLine)
        drawMultiLine(g);
    else
        drawSingleLine(g);
}

void Label::drawSingleLine(Graphics& g)
{
    ImageFont* font = style_->font;
    if (!font) {
        g.setBlendMode(BLEND_ALPHA);
        style_->drawFrame(g, {position_.x, position_.y, position_.x + size_.x, position_.y + size_.y}, 1.0f);
        return;
    }
    GraphicsDriver* driver = g.driver();
    std::wstring shown = text_;
    Vec2<float> measured = font->measure(driver, shown);
    if (autoSize_) {
        setSize({static_cast<int>(measured.x) + 2, size_.y});
    } else {
        while (measured.x > static_cast<float>(size_.x) && !shown.empty()) {
            shown.pop_back();
            measured = font->measure(driver, shown);
        }
    }
    prepare(g);
    const Rect c = contentRect();
    const float w = measured.x;
    const float h = measured.y;
    float x = static_cast<float>(c.left);
    float y = static_cast<float>(c.top);
    if (alignment_ >= 0 && alignment_ <= 8) {
        switch (horizontal(alignment_)) {
        case 0:
            x = static_cast<float>((c.right - c.left) / 2 + c.left) - w / 2.0f;
            break;
        case 1:
            x = static_cast<float>(c.left + 2);
            break;
        default:
            x = static_cast<float>(c.right) - w;
            break;
        }
        switch (vertical(alignment_)) {
        case 0:
            // The whole line sits on the content's bottom edge.
            y = static_cast<float>(c.bottom) - h;
            break;
        case 1:
            y = static_cast<float>((c.bottom - c.top) / 2 + c.top) - h / 2.0f;
            break;
        default:
            y = static_cast<float>(c.top);
            break;
        }
    }
    g.drawText(shown, static_cast<int>(x), static_cast<int>(y));
}

void Label::drawMultiLine(Graphics& g)
{
    ImageFont* font = style_->font;
    if (!font) {
        g.setBlendMode(BLEND_ALPHA);
        style_->drawFrame(g, {position_.x, position_.y, position_.x + size_.x, position_.y + size_.y}, 1.0f);
        return;
    }
    GraphicsDriver* driver = g.driver();
    Rect c = contentRect();
    std::vector<std::wstring> lines;
    float tw = 0.0f;
    float th = 0.0f;
    if (splitAtNewlines) {
        for (const std::wstring& line : splitText(text_, L'\n'))
            lines.push_back(line);
        const float factor = lines.size() > 1 ? 1.1f : 1.0f;
        for (const std::wstring& line : lines) {
            const Vec2<float> m = font->measure(driver, line);
            tw = std::max(tw, m.x);
            th += m.y * factor;
        }
    } else {
        const Vec2<float> m = font->measureWrapped(driver, text_, c.right - c.left, 0, lines);
        tw = m.x;
        th = m.y;
    }
    if (autoSize_) {
        const Quad& p = style_->padding;
        const Quad& b = style_->border;
        const Quad& mg = style_->margin;
        const int horizontalInsets = -(p.left + b.left + mg.left) + p.right + b.right + mg.right;
        const int verticalInsets = -(p.top + b.top + mg.top) + p.bottom + b.bottom + mg.bottom;
        setSize({static_cast<int>(tw) + horizontalInsets, static_cast<int>(th) + verticalInsets});
        c = contentRect();
    }
    prepare(g);
    float y = 0.0f;
    const bool known = alignment_ >= 0 && alignment_ <= 8;
    if (known) {
        switch (vertical(alignment_)) {
        case 0:
            y = static_cast<float>(c.bottom) - th;
            break;
        case 1:
            y = static_cast<float>(c.bottom - c.top) * 0.5f - th * 0.5f + static_cast<float>(c.top);
            break;
        default:
            y = static_cast<float>(c.top);
            break;
        }
    }
    for (const std::wstring& line : lines) {
        const Vec2<float> m = font->measure(driver, line);
        float x = 0.0f;
        if (known) {
            switch (horizontal(alignment_)) {
            case 0:
                x = static_cast<float>(c.left) + (static_cast<float>(c.right - c.left) - m.x) * 0.5f;
                break;
            case 1:
                x = static_cast<float>(c.left);
                break;
            default:
                x = static_cast<float>(c.right) - m.x;
                break;
            }
        }
        g.drawText(line, x, y);
        y += m.y * 1.1f;
    }
}

void Label::handleMessage(Message& message)
{
    if (draggable && message.target.get() == this) {
        const Vec2<int> pointer = message.mouse.pixel();
        if (!dragging && message.type == MSG_DOWN) {
            dragAnchor = pointer;
            dragging = true;
            raiseEvent(onDragStart);
        } else if (dragging && message.type == MSG_MOVE) {
            const int dx = dragAnchor.x - pointer.x;
            const int dy = dragAnchor.y - pointer.y;
            const Vec2<int> screen = screenPosition();
            if (screen.x - dx <= pointer.x && pointer.x <= screen.x - dx + size_.x) {
                position_.x -= dx;
                positionF_.x -= static_cast<float>(dx);
                dragAnchor.x = pointer.x;
                raiseEvent(onDragMove);
            } else {
                dragAnchor.x = pointer.x;
            }
            if (screen.y - dy <= pointer.y && pointer.y <= screen.y - dy + size_.y) {
                position_.y -= dy;
                positionF_.y -= static_cast<float>(dy);
                dragAnchor.y = pointer.y;
                raiseEvent(onDragMove);
            } else {
                dragAnchor.y = pointer.y;
            }
        } else if (dragging && message.type == MSG_UP) {
            dragging = false;
            raiseEvent(onDragEnd);
        } else if (message.type == MSG_LEAVE) {
            if (!(dragging && message.mouse.left == 0)) {
                dragging = false;
                raiseEvent(onDragEnd);
            }
        }
    }
    Control::handleMessage(message);
}

} // namespace kyrgx
