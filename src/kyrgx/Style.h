#pragma once

#include "kyrgx/Color.h"
#include "kyrgx/Rect.h"

#include <map>
#include <memory>
#include <string>

namespace kyrgx {

class Graphics;
class ImageFont;

// The look of a control: insets (padding inside border inside margin), four
// colours, a font and named sub-styles ("states") such as "selected". Styles
// of the theme are shared by every control that takes them; a control that
// wants its own look clones its style first.
class Style {
public:
    std::map<std::string, std::shared_ptr<Style>> states;
    // The style's key in the theme; a clone is named after it followed by "_".
    std::string name;
    Quad padding;
    Quad border;
    Quad margin;
    Color borderColor{255, 255, 255, 255};
    Color backgroundColor{255, 255, 255, 255};
    Color skinColor{255, 255, 255, 255};
    Color textColor{255, 255, 255, 255};
    // Belongs to a Graphics' font cache; may be null.
    ImageFont* font = nullptr;

    // A deep copy: insets, colours and font, and a clone of every state.
    std::shared_ptr<Style> clone() const;
    // The same copy without any states: insets, colours, font and the name
    // followed by "_".
    std::shared_ptr<Style> cloneWithoutStates() const;
    // The state of that name, created as a clone of this style when missing.
    std::shared_ptr<Style> state(const std::string& stateName);
    void setState(const std::string& stateName, std::shared_ptr<Style> style);

    // Draws a control's frame on the rectangle: the border ring in
    // borderColor, the padding ring in backgroundColor and the content in
    // skinColor, each with its colour's alpha times alphaFactor. The margin is
    // never drawn; a colour with alpha 0 is skipped.
    void drawFrame(Graphics& g, const Rect& rect, float alphaFactor) const;
};

} // namespace kyrgx
