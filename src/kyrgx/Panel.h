#pragma once

#include "kyrgx/Control.h"

namespace kyrgx {

// A control that draws a framed background from its style, the theme's "panel".
class Panel : public Control {
public:
    Panel(UiRoot* root, int x, int y, int width, int height, const std::wstring& text);
    void draw(Graphics& g) override;
};

} // namespace kyrgx
