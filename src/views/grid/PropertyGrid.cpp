#include "views/grid/PropertyGrid.h"

#include "views/grid/BoolParamater.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/InfoParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/StringParameter.h"

#include <QGridLayout>
#include <type_traits>

namespace app::QtView {

namespace {
constexpr int kRowHeight = 40;
constexpr int kMinimumWidth = 300;
} // namespace

PropertyGrid::PropertyGrid(QWidget* parent) : QFrame(parent), layout_(new QGridLayout(this))
{
    layout_->setSpacing(0);
    layout_->setContentsMargins(8, 8, 8, 8);
    const int stretch[] = {0, 4, 0, 8, 0};
    const int width[] = {4, 128, 8, 196, 0};
    for (int column = 0; column < 5; ++column) {
        layout_->setColumnStretch(column, stretch[column]);
        layout_->setColumnMinimumWidth(column, width[column]);
    }
}

PropertyGridLabelBase* PropertyGrid::createLabel(const std::wstring& text)
{
    auto* label = new PropertyGridLabelBase(QString::fromStdWString(text), this);
    label->installEventFilters();
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setContentsMargins(0, 4, 0, 4);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    label->setWordWrap(true);
    label->show();
    return label;
}

void PropertyGrid::addRow(QWidget* label, QWidget* editor)
{
    // The layout always ends in one empty filler row; the new row takes it.
    const int row = layout_->rowCount() - 1;
    layout_->setRowMinimumHeight(row, kRowHeight);
    layout_->setRowStretch(row, 0);
    layout_->setRowStretch(row + 1, 2);
    layout_->addWidget(label, row, 1);
    layout_->addWidget(editor, row, 3);
    layout_->update();
    setMinimumSize(kMinimumWidth, layout_->rowCount() * kRowHeight - 24);
}

template <typename Make> auto PropertyGrid::place(const std::wstring& label, Make&& makeEditor)
{
    PropertyGridLabelBase* rowLabel = createLabel(label);
    auto* editor = makeEditor();
    addRow(rowLabel, editor);
    return GridRow<std::remove_pointer_t<decltype(editor)>>{rowLabel, editor};
}

GridRow<BoolParamater> PropertyGrid::addBool(const std::wstring& label, bool value)
{
    return addBool(label, value, false, false);
}

GridRow<BoolParamater> PropertyGrid::addBool(const std::wstring& label, bool value, bool locked,
                                             bool readOnly)
{
    return place(label, [&] { return new BoolParamater(value, locked, readOnly, this); });
}

GridRow<IntParameter> PropertyGrid::addInt(const std::wstring& label, long long min, long long max,
                                           long long value)
{
    return addInt(label, min, max, value, 1, {}, 0, false, false);
}

GridRow<IntParameter> PropertyGrid::addInt(const std::wstring& label, long long min, long long max,
                                           long long value, long long step,
                                           std::vector<long long> allowedValues, int representation,
                                           bool locked, bool readOnly)
{
    return place(label, [&] {
        return new IntParameter(min, max, value, step, std::move(allowedValues), representation, locked,
                                readOnly, this);
    });
}

GridRow<FloatParameter> PropertyGrid::addFloat(const std::wstring& label, double min, double max,
                                               double value)
{
    return addFloat(label, min, max, value, 0.01, {}, 1, false, false);
}

GridRow<FloatParameter> PropertyGrid::addFloat(const std::wstring& label, double min, double max,
                                               double value, double step, std::vector<double> allowedValues,
                                               int representation, bool locked, bool readOnly)
{
    return place(label, [&] {
        return new FloatParameter(min, max, value, step, std::move(allowedValues), representation, locked,
                                  readOnly, this);
    });
}

GridRow<ExposureParameter> PropertyGrid::addExposure(const std::wstring& label, double min, double max,
                                                     double value, double step, bool locked, bool readOnly)
{
    return place(label, [&] { return new ExposureParameter(min, max, value, step, locked, readOnly, this); });
}

GridRow<ListParameter> PropertyGrid::addList(const std::wstring& label, std::vector<std::wstring> items,
                                             std::wstring current)
{
    return addList(label, std::move(items), std::move(current), false, false);
}

GridRow<ListParameter> PropertyGrid::addList(const std::wstring& label, std::vector<std::wstring> items,
                                             std::wstring current, bool locked, bool readOnly)
{
    return place(label, [&] {
        return new ListParameter(std::move(items), std::move(current), locked, readOnly, this);
    });
}

GridRow<DynListParameter> PropertyGrid::addDynList(const std::wstring& label, std::vector<std::wstring> items,
                                                   std::wstring current)
{
    return place(label, [&] { return new DynListParameter(std::move(items), std::move(current), this); });
}

GridRow<FilenameParameter> PropertyGrid::addFilename(const std::wstring& label, std::wstring path)
{
    return place(label, [&] { return new FilenameParameter(std::move(path), this); });
}

GridRow<StringParameter> PropertyGrid::addString(const std::wstring& label, std::wstring text)
{
    return place(label, [&] { return new StringParameter(std::move(text), this); });
}

GridRow<InfoParameter> PropertyGrid::addInfo(const std::wstring& label, std::wstring text)
{
    return place(label, [&] { return new InfoParameter(std::move(text), this); });
}

GridRow<PushParameter> PropertyGrid::addPush(const std::wstring& label)
{
    return place(label, [&] { return new PushParameter(this); });
}

} // namespace app::QtView
