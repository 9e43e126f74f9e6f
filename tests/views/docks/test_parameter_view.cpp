// The parameter dock as the Filter dock: the entry list and check box that
// only report, the rows that write straight into their parameters, Reset,
// and its own close list.
#include "DockTestSupport.h"
#include "app/Parameter.h"
#include "app/ParameterContainer.h"
#include "views/docks/QtParameterViewBase.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/StringParameter.h"

#include <QComboBox>
#include <QGridLayout>

using app::QtFilterSettingsView;
using app::QtView::PropertyGrid;
using quorel::test::EventRecord;
using quorel::test::run_posted;

namespace {

// The editors of the Parameters page, by their row labels.
template <typename Editor> Editor* row(const PropertyGrid* grid, const QString& label)
{
    const QGridLayout* layout = grid->gridLayout();
    for (int r = 0; r < layout->rowCount(); ++r) {
        QLayoutItem* name = layout->itemAtPosition(r, 1);
        QLayoutItem* editor = layout->itemAtPosition(r, 3);
        if (name && editor && qobject_cast<QLabel*>(name->widget())->text() == label)
            return dynamic_cast<Editor*>(editor->widget());
    }
    return nullptr;
}

QStringList rowLabels(const PropertyGrid* grid)
{
    QStringList labels;
    const QGridLayout* layout = grid->gridLayout();
    for (int r = 0; r < layout->rowCount(); ++r)
        if (QLayoutItem* name = layout->itemAtPosition(r, 1))
            labels << qobject_cast<QLabel*>(name->widget())->text();
    return labels;
}

class ParameterViewTest : public ::testing::Test {
protected:
    ParameterViewTest()
    {
        filter.addBool(L"Enabled", true);
        level = filter.addInt(L"Level", 0, 255, 128);
        gain = filter.addFloat(L"Gain", 0, 4, 1);
        invert = filter.addBool(L"invert", false);
        kernel = filter.addList(L"Kernel", {L"3x3", L"5x5"}, L"3x3");
        caption = filter.addString(L"Caption", L"Probe");
        colour = filter.addColor(L"Colour", 0xFF112233);
    }

    PropertyGrid* grid() const { return view.parametersGrid(); }

    quorel::test::DocksEnvironment environment;
    QtFilterSettingsView view{nullptr};
    helper::ParameterContainer filter;
    std::shared_ptr<helper::IntParameter> level;
    std::shared_ptr<helper::floatParameter> gain;
    std::shared_ptr<helper::boolParameter> invert;
    std::shared_ptr<helper::listParameter> kernel;
    std::shared_ptr<helper::stringParameter> caption;
    std::shared_ptr<helper::ColorParamater> colour;
};

} // namespace

TEST_F(ParameterViewTest, RowsForEveryKindButColourAndTheEnabledSwitch)
{
    EXPECT_EQ(view.windowTitle(), "Filter");
    view.setParameters(filter.parameters());
    EXPECT_EQ(rowLabels(grid()), (QStringList{"Level", "Gain", "invert", "Kernel", "Caption", ""}));
    EXPECT_EQ(row<app::QtView::IntParameter>(grid(), "Level")->value(), 128);
    EXPECT_EQ(row<app::QtView::ListParameter>(grid(), "Kernel")->current(), L"3x3");
    ASSERT_NE(view.resetButton(), nullptr);
    EXPECT_EQ(view.resetButton()->text(), "Reset");

    // With no parameters only the Reset button; two calls add both sets.
    view.clearParameters();
    run_posted();
    view.setParameters({});
    EXPECT_EQ(rowLabels(grid()), QStringList{""});
    view.setParameters({level});
    view.setParameters({level});
    EXPECT_EQ(rowLabels(grid()), (QStringList{"", "Level", "", "Level", ""}));
}

TEST_F(ParameterViewTest, RowsWriteStraightIntoTheParametersAndResetRestoresDefaults)
{
    view.setParameters(filter.parameters());
    auto* levelRow = row<app::QtView::IntParameter>(grid(), "Level");
    auto* gainRow = row<app::QtView::FloatParameter>(grid(), "Gain");
    auto* invertRow = row<app::QtView::BoolParamater>(grid(), "invert");
    auto* kernelRow = row<app::QtView::ListParameter>(grid(), "Kernel");
    auto* captionRow = row<app::QtView::StringParameter>(grid(), "Caption");
    levelRow->setValue(300); // the row clamps; the parameter takes it
    gainRow->setValue(2.5);
    invertRow->click();
    kernelRow->comboBox()->setCurrentIndex(1);
    captionRow->setText(L"Other");
    EXPECT_EQ(level->value(), 255);
    EXPECT_DOUBLE_EQ(gain->value(), 2.5);
    EXPECT_TRUE(invert->value());
    EXPECT_EQ(kernel->value(), L"5x5");
    EXPECT_EQ(caption->value(), L"Other");
    colour->setValue(0xFF445566);

    view.resetButton()->click();
    EXPECT_EQ(level->value(), 128);
    EXPECT_EQ(levelRow->value(), 128);
    EXPECT_DOUBLE_EQ(gain->value(), 1.0);
    EXPECT_FALSE(invert->value());
    EXPECT_EQ(kernel->value(), L"3x3");
    EXPECT_EQ(kernelRow->current(), L"3x3");
    EXPECT_EQ(caption->value(), L"Other") << "text rows are not reset";
    EXPECT_EQ(colour->value(), 0xFF445566u) << "colours have no row and are not reset";

    // After setEntries the old rows are no longer reached by Reset.
    levelRow->setValue(7);
    view.setEntries({L"Invert"});
    view.resetButton()->click();
    EXPECT_EQ(level->value(), 7);
}

TEST_F(ParameterViewTest, TheEntryListAndCheckBoxOnlyReport)
{
    EventRecord<std::wstring> selected;
    EventRecord<bool> enabled;
    selected.watch(view.entrySelected);
    enabled.watch(view.enabledChanged);

    view.setEntries({L"BrightnessContrast", L"Invert", L"Sobel"});
    EXPECT_EQ(view.selectedEntry(), L"BrightnessContrast");
    ASSERT_GE(selected.count(), 1u) << "the list reports the selection it makes";
    EXPECT_EQ(std::get<0>(selected.last()), L"BrightnessContrast");

    const size_t before = selected.count();
    view.selectEntry(L"Sobel");
    EXPECT_EQ(view.selectedEntry(), L"Sobel");
    ASSERT_EQ(selected.count(), before + 1);
    EXPECT_EQ(std::get<0>(selected.last()), L"Sobel");
    view.selectEntry(L"sobel"); // not in the list: nothing
    view.selectEntry(L"Missing");
    EXPECT_EQ(view.selectedEntry(), L"Sobel");
    EXPECT_EQ(selected.count(), before + 1);

    view.setEntryEnabled(true);
    EXPECT_TRUE(view.enabledCheck()->isChecked());
    EXPECT_EQ(enabled.count(), 0u);
    EXPECT_FALSE(view.updating);
    view.enabledCheck()->click();
    ASSERT_EQ(enabled.count(), 1u);
    EXPECT_FALSE(std::get<0>(enabled.last()));
    EXPECT_EQ(enabled.senders[0], static_cast<app::IViewBase*>(&view));

    view.setEntries({});
    EXPECT_EQ(view.selectedEntry(), L"");
}

TEST_F(ParameterViewTest, ClearParametersRemovesEveryRowAndRelaysThePage)
{
    view.setParameters(filter.parameters());
    QPointer<PropertyGrid> old = grid();
    view.clearParameters();
    EXPECT_NE(grid(), old.data());
    EXPECT_EQ(view.resetButton(), nullptr);
    EXPECT_EQ(rowLabels(grid()), QStringList{});
    run_posted();
    EXPECT_TRUE(old.isNull()) << "the old grid is deleted with its rows";
    EXPECT_TRUE(view.parametersPage()->isExpanded());

    view.setEnabled(false);
    EXPECT_FALSE(view.accordion()->isEnabled());
}

TEST_F(ParameterViewTest, ClosingRaisesDockClosedOnceAndNeverClosed)
{
    EventRecord<> dockClosed, closed;
    dockClosed.watch(view.dockClosed);
    closed.watch(view.closed);
    view.close();
    EXPECT_EQ(dockClosed.count(), 1u);
    EXPECT_EQ(closed.count(), 0u);
}
