#pragma once

#include <map>

namespace app {

// Qt key codes (Qt::Key) to the toolkit's key codes (the Linux input-event
// codes). Filled before main runs, only read afterwards. A key that is not in
// the table has no code of its own.
const std::map<int, int>& qt_key_table();

}  // namespace app
