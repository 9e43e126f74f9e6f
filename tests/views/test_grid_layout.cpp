// The property grid's layout and the accordion that holds the docks' grids.
#include "GridTestSupport.h"
#include "support/LogCapture.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/DataIcon.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/FloatParameter.h"
#include "views/grid/FormattingDoubleSpinBox.h"
#include "views/grid/InfoParameter.h"
#include "views/grid/IntParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropIntSpinBox.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/QtAccordion.h"
#include "views/grid/QtAccordionPage.h"
#include "views/grid/QtCategoryButton.h"
#include "views/grid/StringParameter.h"

#include <QComboBox>
#include <QGridLayout>
#include <QSlider>
#include <QVBoxLayout>
#include <functional>
#include <stdexcept>

using namespace app::QtView;
using quorel::test::EventRecord;

namespace {

// Row and column of a widget in the grid's layout.
std::pair<int, int> cell_of(const PropertyGrid& grid, QWidget* widget)
{
    const int index = grid.gridLayout()->indexOf(widget);
    int row = -1, column = -1, rowSpan = 0, columnSpan = 0;
    if (index >= 0)
        grid.gridLayout()->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    return {row, column};
}

} // namespace

TEST(PropertyGrid, RowsStackFromTheTopAboveAFillerRow)
{
    PropertyGrid grid(nullptr);
    QGridLayout* layout = grid.gridLayout();
    EXPECT_EQ(layout->spacing(), 0);
    EXPECT_EQ(layout->contentsMargins(), QMargins(8, 8, 8, 8));
    const int stretch[] = {0, 4, 0, 8, 0};
    const int width[] = {4, 128, 8, 196, 0};
    for (int column = 0; column < 5; ++column) {
        EXPECT_EQ(layout->columnStretch(column), stretch[column]) << column;
        EXPECT_EQ(layout->columnMinimumWidth(column), width[column]) << column;
    }

    auto first = grid.addBool(L"Enabled", true);
    EXPECT_EQ(grid.minimumSize(), QSize(300, 56));
    auto second = grid.addInt(L"Gain", 0, 10, 5);
    auto third = grid.addString(L"Name", L"cam");
    EXPECT_EQ(grid.minimumSize(), QSize(300, 136));

    const std::pair<PropertyGridLabelBase*, QWidget*> rows[] = {
        {first.first, first.second}, {second.first, second.second}, {third.first, third.second}};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(cell_of(grid, rows[r].first), std::make_pair(r, 1));
        EXPECT_EQ(cell_of(grid, rows[r].second), std::make_pair(r, 3));
        EXPECT_EQ(layout->rowMinimumHeight(r), 40);
        EXPECT_EQ(layout->rowStretch(r), 0);
    }
    EXPECT_EQ(layout->rowCount(), 4);
    EXPECT_EQ(layout->rowStretch(3), 2);
}

TEST(PropertyGrid, LabelsWrapRightAlignedInsteadOfWideningTheGrid)
{
    PropertyGrid grid(nullptr);
    auto [label, editor] = grid.addInfo(
        L"A label far longer than the label column could ever show on one line", L"Some information");
    EXPECT_TRUE(label->wordWrap());
    EXPECT_EQ(label->alignment(), Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_EQ(label->sizePolicy().horizontalPolicy(), QSizePolicy::Ignored);
    EXPECT_EQ(label->contentsMargins(), QMargins(0, 4, 0, 4));
    EXPECT_EQ(editor->text(), "Some information");
    EXPECT_EQ(editor->infoText(), L"Some information");
    grid.resize(400, 100);
    grid.show();
    QApplication::processEvents();
    EXPECT_LE(grid.width(), 400);
    EXPECT_EQ(editor->alignment(), Qt::AlignLeft | Qt::AlignVCenter);
}

TEST(PropertyGrid, AddOperationsBuildTheirRowsFromTheArguments)
{
    PropertyGrid grid(nullptr);
    auto [floatLabel, floatRow] = grid.addFloat(L"Gamma", 0, 4, 1);
    EXPECT_EQ(floatLabel->text(), "Gamma");
    ASSERT_NE(floatRow->slider(), nullptr);
    EXPECT_EQ(floatRow->spinBox()->step(), 0.01);

    auto [intLabel, intRow] = grid.addInt(L"Offset", -5, 5, 2);
    ASSERT_NE(intRow->slider(), nullptr);
    EXPECT_EQ(intRow->spinBox()->step(), 1);
    EXPECT_EQ(intRow->value(), 2);

    // A camera feature's boolean representation (2) gets a row like any number.
    auto [boolLabel, boolRow] = grid.addInt(L"Reverse", 0, 1, 1, 1, {}, 2, false, false);
    EXPECT_EQ(grid.gridLayout()->indexOf(boolRow) >= 0, true);

    auto [pushLabel, push] = grid.addPush(L"Trigger software");
    EXPECT_EQ(push->text(), "Push");
    EXPECT_EQ(pushLabel->text(), "Trigger software");

    auto [exposureLabel, exposure] = grid.addExposure(L"Exposure", 0.0001, 4, 0.01, 0.0001, false, false);
    EXPECT_EQ(exposure->value(), 0.01);
    auto [listLabel, list] = grid.addList(L"Format", {L"Mono8", L"RGB24"}, L"RGB24", false, true);
    EXPECT_EQ(list->textField()->text(), "RGB24");
    auto [dynLabel, dyn] = grid.addDynList(L"Presets", {L"a", L"b"}, L"b");
    EXPECT_EQ(dyn->current(), L"b");
    auto [fileLabel, file] = grid.addFilename(L"Folder", L"/tmp");
    EXPECT_EQ(file->text(), L"/tmp");
    auto [checkLabel, check] = grid.addBool(L"Auto", true, true, false);
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(grid.gridLayout()->rowCount(), 10);
    // Every part belongs to the grid.
    for (QWidget* w :
         std::initializer_list<QWidget*>{floatRow, intRow, exposure, list, dyn, file, check, push})
        EXPECT_EQ(w->parentWidget(), &grid);
}

TEST(PropertyGrid, SubscriberFailuresNeverLeaveAQtSlot)
{
    PropertyGrid grid(nullptr);
    QtAccordion accordion(nullptr);
    const auto fail = [](auto&&...) { throw std::runtime_error("camera gone"); };
    auto check = grid.addBool(L"Reverse X", false).second;
    check->eventValueChanged.push_back(fail);
    auto list = grid.addList(L"Format", {L"a", L"b"}, L"a").second;
    list->eventSelectionChanged.push_back(fail);
    auto gain = grid.addFloat(L"Gain", 0, 10, 1).second;
    gain->eventValueChanged.push_back(fail);
    auto offset = grid.addInt(L"Offset", 0, 100, 1).second;
    offset->eventValueChanged.push_back(fail);
    auto exposure = grid.addExposure(L"Exposure", 0.0001, 4, 0.01, 0.0001, false, false).second;
    exposure->eventValueChanged.push_back(fail);
    auto push = grid.addPush(L"Trigger").second;
    push->eventClicked.push_back(fail);
    push->eventActivated.push_back(fail);
    QtAccordionPage* page = accordion.addPage(L"Page");
    page->headerButton()->expanded.push_back(fail);
    page->expanded.push_back(fail);

    const std::pair<const char*, std::function<void()>> actions[] = {
        {"check box click",
         [&] { QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2)); }},
        {"list selection", [&] { list->comboBox()->setCurrentIndex(1); }},
        {"float slider", [&] { gain->slider()->setValue(70); }},
        {"float spin box", [&] { QTest::keyClick(gain->spinBox(), Qt::Key_Up); }},
        {"integer slider",
         [&] {
             gain->slider()->setValue(70);
             offset->slider()->setValue(5);
         }},
        {"exposure slider", [&] { exposure->slider()->setValue(50); }},
        {"push button", [&] { QTest::mouseClick(push, Qt::LeftButton); }},
        {"row activation",
         [&] {
             QEvent enter(QEvent::Enter);
             QApplication::sendEvent(push, &enter);
         }},
        {"accordion header", [&] { QTest::mouseClick(page->headerButton(), Qt::LeftButton); }},
    };
    for (const auto& [name, action] : actions) {
        quorel::test::LogCapture log;
        EXPECT_NO_THROW(action()) << name;
        EXPECT_GE(log.count(spdlog::level::err, "failed: camera gone"), 1) << name;
    }
}

class AccordionTest : public ::testing::Test {
protected:
    void SetUp() override { quorel::test::use_built_data_folder(); }

    static void press(QtAccordionPage* page) { QTest::mouseClick(page->headerButton(), Qt::LeftButton); }
    static bool shows(QtAccordionPage* page, const char* icon)
    {
        return page->headerButton()->icon().cacheKey() == dataIcon(icon).cacheKey();
    }
};

TEST_F(AccordionTest, ArrowIconsAreBuilt)
{
    EXPECT_FALSE(dataIcon("arrow-left.png").isNull());
    EXPECT_FALSE(dataIcon("arrow-down.png").isNull());
    EXPECT_TRUE(dataIcon("no-such-icon.png").isNull());
}

TEST_F(AccordionTest, SingleOpenClosesOtherPagesOnlyThroughTheHeader)
{
    QtAccordion accordion(nullptr);
    accordion.setMultipleOpen(false);
    QtAccordionPage* a = accordion.addPage(L"Exposure");
    QtAccordionPage* b = accordion.addPage(L"Color");
    QtAccordionPage* twin = accordion.addPage(L"Color");
    QtAccordionPage* c = accordion.addPage(L"Trigger");
    EXPECT_FALSE(a->isExpanded());
    EXPECT_TRUE(shows(a, "arrow-left.png"));

    a->setExpanded(true);
    c->setExpanded(true); // by code: a stays open
    EXPECT_TRUE(a->isExpanded());
    EXPECT_TRUE(c->isExpanded());

    twin->setExpanded(true);
    press(b);
    EXPECT_TRUE(b->isExpanded());
    EXPECT_TRUE(twin->isExpanded()); // same title
    EXPECT_FALSE(a->isExpanded());
    EXPECT_FALSE(c->isExpanded());
    EXPECT_TRUE(shows(a, "arrow-left.png"));

    accordion.setMultipleOpen(true);
    press(a);
    EXPECT_TRUE(a->isExpanded());
    EXPECT_TRUE(b->isExpanded());
}

TEST_F(AccordionTest, HeaderAndCodeReportOpeningAndClosingDifferently)
{
    QtAccordion accordion(nullptr);
    QtAccordionPage* page = accordion.addPage(L"Exposure");
    EventRecord<> buttonExpanded, buttonCollapsed;
    buttonExpanded.watch(page->headerButton()->expanded);
    buttonCollapsed.watch(page->headerButton()->collapsed);
    EventRecord<bool> pageExpanded;
    pageExpanded.watch(page->expanded);

    page->setExpanded(true);
    EXPECT_TRUE(shows(page, "arrow-down.png"));
    ASSERT_EQ(pageExpanded.count(), 1u);
    EXPECT_EQ(pageExpanded.last(), std::make_tuple(true));
    EXPECT_EQ(pageExpanded.senders.front(), nullptr);
    EXPECT_EQ(buttonExpanded.count(), 0u);

    press(page);
    EXPECT_FALSE(page->isExpanded());
    EXPECT_TRUE(shows(page, "arrow-left.png"));
    ASSERT_EQ(buttonCollapsed.count(), 1u);
    EXPECT_EQ(buttonCollapsed.senders.front(), page->headerButton());

    press(page);
    EXPECT_EQ(buttonExpanded.count(), 1u);
    EXPECT_EQ(pageExpanded.count(), 2u);
}

TEST_F(AccordionTest, PagesAreBuiltLikeThis)
{
    QtAccordion accordion(nullptr);
    EXPECT_TRUE(accordion.isHeaderHidden());
    EXPECT_EQ(accordion.indentation(), 0);
    EXPECT_EQ(accordion.verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
    QtAccordionPage* page = accordion.addPage(L"Exposure");
    EXPECT_EQ(accordion.topLevelItem(0), page);
    EXPECT_EQ(page->headerButton()->text(), "Exposure");
    EXPECT_EQ(page->headerButton()->minimumHeight(), 28);
    EXPECT_EQ(accordion.itemWidget(page, 0), page->headerButton());
    ASSERT_EQ(page->childCount(), 1);
    EXPECT_EQ(page->child(0), page->contentItem());
    EXPECT_FALSE(page->contentItem()->flags() & Qt::ItemIsEnabled);
    EXPECT_EQ(accordion.itemWidget(page->contentItem(), 0), page->contentFrame());
    EXPECT_EQ(page->contentLayout()->contentsMargins(), QMargins(0, 0, 0, 0));

    accordion.clear();
    EXPECT_TRUE(accordion.pages().empty());
    EXPECT_EQ(accordion.topLevelItemCount(), 0);
}

TEST_F(AccordionTest, SizeHintAddsUpTheContent)
{
    QtAccordion accordion(nullptr);
    QtAccordionPage* page = accordion.addPage(L"Histogram");
    auto* grid = new PropertyGrid(nullptr);
    auto* picture = new QFrame(nullptr);
    page->contentLayout()->addWidget(grid);
    page->contentLayout()->addWidget(picture);
    grid->resize(300, 200);
    picture->resize(365, 224);
    page->updateSizeHint();
    EXPECT_EQ(page->contentItem()->sizeHint(0), QSize(665, 424));
}
