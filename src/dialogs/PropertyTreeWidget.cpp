#include "dialogs/PropertyTreeWidget.h"

#include "device/CallbackGuard.h"
#include "device/Grabber.h"
#include "dialogs/IPropControl.h"
#include "dialogs/MyTreeView.h"
#include "dialogs/PropertyInfoBox.h"
#include "dialogs/PropertyTreeModel.h"

#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QSplitter>
#include <QVBoxLayout>
#include <spdlog/spdlog.h>

namespace vsx::ui_util {

namespace {

const char* const kTreeStyle =
    "QTreeView::branch, QTreeView::item, QTreeView { outline: none; show-decoration-selected: 0;color: "
    "#dcdcdc;background: #2d2d30;font-size: "
    "13px;}QTreeView::branch:open:adjoins-item:has-children{background: "
    "transparent;margin : 0; }QTreeView::branch:closed:adjoins-item:has-children{background: "
    "transparent;margin : "
    "0; }";

} // namespace

PropertyTreeModel* make_property_tree_model(const Grabber& grabber)
{
    return new PropertyTreeModel(grabber.devicePropertyMap().findCategory("Root"));
}

template <typename Base>
PropertyTreeWidget<Base>::PropertyTreeWidget(PropertyTreeModel* initialModel, Grabber* grabber,
                                             PropertyTreeOptions options, QWidget* parent)
    : Base(parent), model(initialModel), itemDelegate(&proxy, grabber), paintDelegate(&proxy, this),
      options(options)
{
    proxy.setRecursiveFilteringEnabled(true);
    auto* frame = new QFrame(this);
    auto* layout = new QVBoxLayout;
    if (options.filterRow) {
        auto* row = new QHBoxLayout;
        levelBox = new QComboBox(frame);
        levelBox->addItem(QStringLiteral("Beginner"), 0);
        levelBox->addItem(QStringLiteral("Expert"), 1);
        levelBox->addItem(QStringLiteral("Guru"), 2);
        levelBox->setCurrentIndex(1);
        levelBox->setMinimumWidth(200);
        levelBox->setStyleSheet(QStringLiteral("QComboBox {font-size: 13px;}"));
        QObject::connect(levelBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] {
            guard_callback("PropertyTreeWidget::update_filter", [this] { update_filter(); });
        });
        filterEdit = new QLineEdit(frame);
        filterEdit->setStyleSheet(QStringLiteral("QLineEdit {font-size: 13px;}"));
        filterEdit->setPlaceholderText(QStringLiteral("Filter"));
        QObject::connect(filterEdit, &QLineEdit::textChanged, this, [this] {
            guard_callback("PropertyTreeWidget::update_filter", [this] { update_filter(); });
        });
        row->addWidget(levelBox);
        row->addWidget(filterEdit);
        layout->addLayout(row);
    }
    view = new MyTreeView(&proxy, frame);
    view->setStyleSheet(QString::fromLatin1(kTreeStyle));
    proxy.setSourceModel(model);
    view->setModel(&proxy);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->header()->hide();
    view->header()->setSectionResizeMode(QHeaderView::Stretch);
    view->header()->setStretchLastSection(true);
    view->setItemDelegateForColumn(0, &paintDelegate);
    view->setItemDelegateForColumn(1, &itemDelegate);

    auto guardedRefresh = [this] { guard_callback("PropertyTreeWidget::refresh", [this] { refresh(); }); };
    QObject::connect(view, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        guard_callback("PropertyTreeWidget::on_clicked", [&] { on_clicked(index); });
    });
    QObject::connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                     [this](const QItemSelection& selected, const QItemSelection& deselected) {
                         guard_callback("PropertyTreeWidget::on_selection_changed",
                                        [&] { on_selection_changed(selected, deselected); });
                     });
    QObject::connect(&proxy, &QAbstractItemModel::dataChanged, this, guardedRefresh);
    QObject::connect(&proxy, &QAbstractItemModel::layoutChanged, this, guardedRefresh);
    // A row a filter or an availability change brings back gets its editor.
    QObject::connect(&proxy, &QAbstractItemModel::rowsInserted, this, guardedRefresh);
    QObject::connect(&proxy, &QAbstractItemModel::modelReset, this, guardedRefresh);

    if (options.infoBox) {
        infoView = new PropertyInfoBox(this);
        infoView->setReadOnly(true);
        infoView->setTextInteractionFlags(Qt::NoTextInteraction);
        auto* splitter = new QSplitter(Qt::Vertical, this);
        splitter->addWidget(view);
        splitter->addWidget(infoView);
        splitter->setStretchFactor(0, 3);
        layout->addWidget(splitter);
    } else {
        layout->addWidget(view);
    }
    layout->setSpacing(0);
    layout->setContentsMargins(0, 0, 0, 0);
    frame->setLayout(layout);
    this->setWidget(frame);
    refresh();
}

template <typename Base> PropertyTreeWidget<Base>::~PropertyTreeWidget()
{
    // The model with its nodes first; the view with its editors goes before
    // the proxy and the delegates it uses.
    proxy.setSourceModel(nullptr);
    delete model;
    model = nullptr;
    delete view;
    view = nullptr;
}

template <typename Base> void PropertyTreeWidget<Base>::refresh()
{
    // Not while the proxy changes over to a new model (set_model refreshes after it).
    if (proxy.sourceModel() != model)
        return;
    if (!options.showRoot)
        view->setRootIndex(model ? proxy.mapFromSource(model->index(0, 0)) : QModelIndex());
    open_editors(QModelIndex());
    view->expandAll();
    const bool enabled = model != nullptr;
    for (QWidget* widget : {static_cast<QWidget*>(infoView), static_cast<QWidget*>(levelBox),
                            static_cast<QWidget*>(filterEdit), static_cast<QWidget*>(view)})
        if (widget)
            widget->setEnabled(enabled);
    if (model) {
        view->header()->setSectionResizeMode(QHeaderView::Stretch);
        view->header()->setStretchLastSection(true);
        view->setItemDelegateForColumn(0, &paintDelegate);
        view->setItemDelegateForColumn(1, &itemDelegate);
        view->resizeColumnToContents(0);
    }
}

template <typename Base> void PropertyTreeWidget<Base>::open_editors(const QModelIndex& parent)
{
    for (int row = 0; row < proxy.rowCount(parent); ++row) {
        view->openPersistentEditor(proxy.index(row, 1, parent));
        open_editors(proxy.index(row, 0, parent));
    }
}

template <typename Base> void PropertyTreeWidget<Base>::update_filter()
{
    if (!levelBox || !filterEdit)
        return;
    proxy.level = levelBox->currentData(Qt::UserRole).toInt();
    proxy.pattern = QRegularExpression(filterEdit->text(), QRegularExpression::CaseInsensitiveOption);
    proxy.invalidate();
}

template <typename Base>
void PropertyTreeWidget<Base>::set_model(PropertyTreeModel* newModel, Grabber* newGrabber)
{
    // The view lets go of the old editors only at the next turn of the event
    // loop; their notifications end now, before the old model goes.
    for (QWidget* widget : view->findChildren<QWidget*>())
        if (auto* editor = dynamic_cast<IPropControl*>(widget))
            editor->remove_notification();
    PropertyTreeModel* old = model;
    model = newModel;
    itemDelegate.grabber = newGrabber;
    proxy.setSourceModel(model);
    refresh();
    delete old;
}

template <typename Base> void PropertyTreeWidget<Base>::clear_model()
{
    set_model(nullptr, nullptr);
}

template <typename Base> void PropertyTreeWidget<Base>::on_clicked(const QModelIndex& index)
{
    if (!infoView)
        return;
    const PropertyTreeNode* node = PropertyTreeModel::node_of(proxy.mapToSource(index));
    if (!node) {
        infoView->setMarkdown(QString());
        return;
    }
    try {
        infoView->show_property(node->property);
    } catch (const std::exception& e) {
        spdlog::error("PropertyTreeWidget::on_clicked() failed: {}", e.what());
        infoView->setMarkdown(QString());
    }
}

template <typename Base>
void PropertyTreeWidget<Base>::on_selection_changed(const QItemSelection& selected, const QItemSelection&)
{
    const QModelIndex first = selected.isEmpty() || selected.first().indexes().isEmpty()
                                  ? QModelIndex()
                                  : selected.first().indexes().first();
    on_clicked(first);
}

template <typename Base> void PropertyTreeWidget<Base>::showDevice(const std::shared_ptr<Grabber>& grabber)
{
    set_model(make_property_tree_model(*grabber), grabber.get());
    grabberHold_ = grabber;
}

template <typename Base> void PropertyTreeWidget<Base>::clearDevice()
{
    clear_model();
    grabberHold_.reset();
}

template <typename Base> void PropertyTreeWidget<Base>::raiseView()
{
    this->show();
    this->raise();
}

template <typename Base> void PropertyTreeWidget<Base>::closeView()
{
    clearDevice();
    this->close();
}

template class PropertyTreeWidget<QDockWidget>;

} // namespace vsx::ui_util
