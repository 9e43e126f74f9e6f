#pragma once

#include "dialogs/FilterPropertiesProxy.h"
#include "dialogs/PropertyTreeItemDelegate.h"
#include "dialogs/TestItemDelegateForPaint.h"
#include "views/IPropertyTreeView.h"

#include <QDockWidget>
#include <QItemSelection>
#include <memory>

class QComboBox;
class QLineEdit;

namespace vsx::ui_util {

class MyTreeView;
class PropertyInfoBox;
class PropertyTreeModel;

// What the property tree widget shows besides the tree.
struct PropertyTreeOptions {
    bool showRoot = false; // the category "Root" is a row itself
    bool infoBox = true;   // the information box under the tree
    bool filterRow = true; // the visibility level and the name filter above it
};

// Every feature of one camera in a filtered tree: a filter row (visibility
// level and name filter), the tree with an editor per feature, and an
// information box describing the feature last clicked. Base is QDockWidget.
//
// The name filter is a case-insensitive regular expression used as typed; an
// invalid one empties the tree until it is corrected. Runs on the GUI thread.
template <typename Base> class PropertyTreeWidget : public Base, public app::IPropertyTreeView {
public:
    // Takes ownership of the model (may be null); the grabber (may be null)
    // guards the editors' writes.
    PropertyTreeWidget(PropertyTreeModel* initialModel, Grabber* grabber, PropertyTreeOptions options,
                       QWidget* parent = nullptr);
    ~PropertyTreeWidget() override;

    // Re-roots the view, opens the editors, expands everything and enables
    // the widgets while a model is set.
    void refresh();
    void open_editors(const QModelIndex& parent);
    void update_filter();
    // Replaces the model and the grabber of its camera (either may be null);
    // the old model is deleted once the proxy and the view let go of it.
    void set_model(PropertyTreeModel* newModel, Grabber* newGrabber);
    void clear_model();

    void on_clicked(const QModelIndex& index);
    void on_selection_changed(const QItemSelection& selected, const QItemSelection& deselected);

    // The controller's view of the dock.
    void showDevice(const std::shared_ptr<Grabber>& grabber) override;
    void clearDevice() override;
    void raiseView() override;
    void closeView() override;

    Grabber* grabber() const { return itemDelegate.grabber; }

    QComboBox* levelBox = nullptr;
    QLineEdit* filterEdit = nullptr;
    PropertyInfoBox* infoView = nullptr;
    MyTreeView* view = nullptr;
    PropertyTreeModel* model = nullptr;
    FilterPropertiesProxy proxy;
    PropertyTreeItemDelegate itemDelegate;
    TestItemDelegateForPaint paintDelegate;
    const PropertyTreeOptions options;

private:
    std::shared_ptr<Grabber> grabberHold_;
};

extern template class PropertyTreeWidget<QDockWidget>;

// The property model of the camera open on the grabber: its category "Root".
// Throws vsx::VSXException when the camera fails.
PropertyTreeModel* make_property_tree_model(const Grabber& grabber);

} // namespace vsx::ui_util
