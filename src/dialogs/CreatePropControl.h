#pragma once

#include "device/Property.h"

class QWidget;

namespace vsx {
class Grabber;
}

namespace vsx::ui_util {

// The editor of a feature by its kind (Integer, Float, Enumeration, Boolean,
// String, Command, Category), or null for any other kind. Throws what the
// editor's construction throws (vsx::VSXException when the camera fails).
QWidget* create_prop_control(Property property, QWidget* parent, Grabber* grabber);

// A read-only text in place of an editor that cannot be built: the value of
// an integer by its representation ("True" or "False" for the boolean one),
// "<Error>" for anything else.
QWidget* create_read_only_text(const Property& property, QWidget* parent);

} // namespace vsx::ui_util
