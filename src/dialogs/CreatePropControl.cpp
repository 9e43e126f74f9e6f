#include "dialogs/CreatePropControl.h"

#include "dialogs/PropBooleanControl.h"
#include "dialogs/PropCategoryControl.h"
#include "dialogs/PropCommandControl.h"
#include "dialogs/PropEnumerationControl.h"
#include "dialogs/PropFloatControl.h"
#include "dialogs/PropIntControl.h"
#include "dialogs/PropStringControl.h"
#include "dialogs/PropertyInfoBox.h"

#include <QHBoxLayout>
#include <QLineEdit>

namespace vsx::ui_util {

QWidget* create_prop_control(Property property, QWidget* parent, Grabber* grabber)
{
    switch (property.type()) {
    case Integer:
        return new PropIntControl(property.asInteger(), parent, grabber);
    case Float:
        return new PropFloatControl(property.asFloat(), parent, grabber);
    case Enumeration:
        return new PropEnumerationControl(property.asEnumeration(), parent, grabber);
    case Boolean:
        return new PropBooleanControl(property.asBoolean(), parent, grabber);
    case String:
        return new PropStringControl(property.asString(), parent, grabber);
    case Command:
        return new PropCommandControl(property.asCommand(), parent, grabber);
    case Category:
        return new PropCategoryControl(property.asCategory(), parent, grabber);
    default:
        return nullptr;
    }
}

QWidget* create_read_only_text(const Property& property, QWidget* parent)
{
    QString text = QStringLiteral("<Error>");
    Error local(Error::Record);
    if (property.type(local) == Integer && local.code == Error::kNoError) {
        const PropInteger integer(property.handle());
        const int64_t value = integer.value(local);
        const int representation = integer.representation(local);
        if (local.code == Error::kNoError)
            text = property_value_text(value, representation);
    }
    auto* holder = new QWidget(parent);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(8, 7, 0, 7);
    auto* edit = new QLineEdit(text, holder);
    edit->setReadOnly(true);
    edit->setEnabled(false);
    layout->addWidget(edit);
    return holder;
}

} // namespace vsx::ui_util
