#pragma once

#include <string>

namespace app {

// Whether a file of that name can be created: the name is tried in the
// scratch folder "tmp" of the settings folder, which is emptied and removed
// afterwards. Names that are empty, ".", "..", or hold '/' or NUL are rejected
// before the disk is touched, so nothing outside the scratch folder is ever
// created, truncated or removed. A file-system error counts as a rejection;
// nothing is thrown.
bool isValidFileName(const std::wstring& name);

} // namespace app
