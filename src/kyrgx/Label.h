#pragma once

#include "kyrgx/Control.h"

#include <functional>
#include <vector>

namespace kyrgx {

// Text alignment: 3 x vertical + horizontal, vertical 0 bottom, 1 middle,
// 2 top, horizontal 0 centre, 1 left, 2 right.
enum Alignment : int {
    ALIGN_BOTTOM_CENTER = 0,
    ALIGN_BOTTOM_LEFT = 1,
    ALIGN_BOTTOM_RIGHT = 2,
    ALIGN_MIDDLE_CENTER = 3,
    ALIGN_MIDDLE_LEFT = 4,
    ALIGN_MIDDLE_RIGHT = 5,
    ALIGN_TOP_CENTER = 6,
    ALIGN_TOP_LEFT = 7,
    ALIGN_TOP_RIGHT = 8,
};

// The toolkit's text control: its text in the font and text colour of its
// style ("label"), inside the style's frame, in one line (shortened to fit or
// sized to the text) or in several (split at line feeds or wrapped), placed by
// one of nine alignments; optionally dragged with the pointer. A style without
// a font draws only the frame.
class Label : public Control {
public:
    Label(UiRoot* root, int x, int y, int width, int height, const std::wstring& text);
    ~Label() override;

    void setAlignment(int alignment) { alignment_ = alignment; }
    void setAutoSize(bool autoSize) { autoSize_ = autoSize; }
    void draw(Graphics& g) override;
    void handleMessage(Message& message) override;

    bool multiLine = false;
    // With multiLine: one line per line feed; otherwise wrapped to the content width.
    bool splitAtNewlines = false;
    bool draggable = false;
    bool dragging = false;
    Vec2<int> dragAnchor{};

    std::vector<EventHandler> onDragMove;
    std::vector<EventHandler> onDragStart;
    std::vector<EventHandler> onDragEnd;

private:
    Rect contentRect() const;
    void drawSingleLine(Graphics& g);
    void drawMultiLine(Graphics& g);
    void prepare(Graphics& g);
};

} // namespace kyrgx
