#pragma once

#include "dialogs/PropControlBase.h"

#include <string>

class QComboBox;
class QLineEdit;

namespace vsx::ui_util {

// The editor of an Enumeration feature: a combo box of its available entries
// (display names, the entry names as item data), or a read-only text of the
// selected entry when the feature was read-only at construction.
class PropEnumerationControl : public PropControlBase<PropEnumeration, std::string> {
public:
    PropEnumerationControl(PropEnumeration feature, QWidget* parent, Grabber* grabber);

    void update_all() override;
    bool set_value_unchecked(std::string entryName) override;

    QComboBox* combo = nullptr;
    QLineEdit* edit = nullptr;

private:
    void update_combo();
    void update_edit();
};

} // namespace vsx::ui_util
