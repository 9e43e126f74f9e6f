#pragma once

#include <map>

namespace app {

// Qt key codes (Qt::Key) to the toolkit's key codes (the Linux input-event
// codes). Filled before main runs, only read afterwards. A key that is not in
// the table has no code of its own.
const std::map<int, int>& qt_key_table();

// The toolkit's code of a Qt key: KEY_UNKNOWN (240) for a key that has no code,
// never 0.
int qt_key_to_keys(int qtKey);

} // namespace app
