#pragma once

#include <initializer_list>
#include <utility>

class QHBoxLayout;
class QWidget;

namespace app::QtView {

// Lays a row's editors out side by side: spacing 8, no margins, each widget
// with its stretch; absent (null) widgets are left out.
QHBoxLayout* makeRowLayout(QWidget* row, std::initializer_list<std::pair<QWidget*, int>> widgets);

} // namespace app::QtView
