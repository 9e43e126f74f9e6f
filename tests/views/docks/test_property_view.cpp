// The property view dock: grid lookup in both configurations, pages and their
// expand states, the rows of a settings container, the row adapters and what a
// row handle does once its widgets are gone.
#include "DockTestSupport.h"
#include "app/Parameter.h"
#include "app/ParameterContainer.h"
#include "views/docks/QtPropertyView.h"
#include "views/docks/QtPropertyViewParameters.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/ExposureParameter.h"
#include "views/grid/FilenameParameter.h"
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
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using namespace app::QtView;
using quorel::test::EventRecord;
using quorel::test::run_posted;

namespace {

class PropertyViewTest : public ::testing::Test {
protected:
    void SetUp() override { quorel::test::use_docks_environment(); }

    // The device-properties configuration and a settings view.
    static std::unique_ptr<QtPropertyView> grouped()
    {
        return std::make_unique<QtPropertyView>(L"Device", nullptr, true, true, false);
    }
    static std::unique_ptr<QtPropertyView> settings()
    {
        return std::make_unique<QtPropertyView>(L"Settings", nullptr, false, false, true);
    }
};

std::vector<std::wstring> page_titles(const QtPropertyView& view)
{
    std::vector<std::wstring> titles;
    for (const QtAccordionPage* page : view.accordion()->pages())
        titles.push_back(page->title());
    return titles;
}

// The grid's first row widget of a kind (the row classes carry no meta-object
// of their own, so findChild cannot tell them apart).
template <typename Row> Row* find_row(const PropertyGrid* grid)
{
    for (QObject* child : grid->children())
        if (auto* row = dynamic_cast<Row*>(child))
            return row;
    return nullptr;
}

QStringList row_labels(const PropertyGrid* grid)
{
    QStringList texts;
    for (QObject* child : grid->children())
        if (auto* label = dynamic_cast<PropertyGridLabelBase*>(child))
            texts << label->text();
    return texts;
}

} // namespace

TEST_F(PropertyViewTest, GroupedViewKeepsOneCaptionedGridPerGroupOnItsCategoryPage)
{
    auto view = grouped();
    QWidget* ab = view->grid(L"A", L"B");
    EXPECT_EQ(view->grid(L"A", L"B"), ab);
    QWidget* ac = view->grid(L"A", L"C");
    EXPECT_NE(ac, ab);
    QWidget* db = view->grid(L"D", L"B");
    EXPECT_NE(db, ab) << "same group, other category";
    EXPECT_EQ(page_titles(*view), (std::vector<std::wstring>{L"A", L"D"}));

    const QtAccordionPage* pageA = view->accordion()->pages()[0];
    ASSERT_EQ(pageA->contentLayout()->count(), 4) << "caption, grid, caption, grid";
    EXPECT_EQ(quorel::test::label_texts(pageA->contentLayout()), (QStringList{"B", "C"}));
    EXPECT_EQ(pageA->contentLayout()->itemAt(1)->widget(), ab);
    EXPECT_EQ(pageA->contentLayout()->itemAt(3)->widget(), ac);
    EXPECT_EQ(pageA->contentLayout()->itemAt(0)->widget()->objectName(), "Label");
    EXPECT_EQ(ab->objectName(), "grid");

    // A category added first gets its groups later; no second page.
    view->addCategory(L"E");
    view->addCategory(L"E");
    view->grid(L"E", L"F");
    EXPECT_EQ(page_titles(*view), (std::vector<std::wstring>{L"A", L"D", L"E"}));
}

TEST_F(PropertyViewTest, SettingsViewHasOneGridPerGroupPageAndIgnoresTheCategory)
{
    auto view = settings();
    QWidget* b = view->grid(L"A", L"B");
    EXPECT_EQ(view->grid(L"X", L"B"), b);
    EXPECT_NE(view->grid(L"A", L"C"), b);
    EXPECT_EQ(page_titles(*view), (std::vector<std::wstring>{L"B", L"C"}));

    // A page made empty first gets its grid on request.
    view->addCategory(L"Empty");
    QWidget* empty = view->grid(L"", L"Empty");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(view->accordion()->pages()[2]->contentLayout()->itemAt(0)->widget(), empty);
}

TEST_F(PropertyViewTest, RemovedGridsAreMadeAnewAndClearForgetsEverything)
{
    auto view = settings();
    QPointer<QWidget> old = view->grid(L"", L"Page");
    view->removeGrid(L"Page");
    view->removeGrid(L"Missing");
    QWidget* fresh = view->grid(L"", L"Page");
    EXPECT_NE(fresh, old.data());
    run_posted();
    EXPECT_TRUE(old.isNull()) << "the removed grid is deleted";
    EXPECT_EQ(page_titles(*view), std::vector<std::wstring>{L"Page"}) << "the page stays";

    // In a grouped view the caption goes first, then the grid: a group whose
    // grid is gone gets a new caption and grid.
    auto device = grouped();
    QPointer<QWidget> grid = device->grid(L"A", L"B");
    device->removeGrid(L"A");
    device->removeGrid(L"A");
    run_posted();
    ASSERT_TRUE(grid.isNull());
    QWidget* again = device->grid(L"A", L"B");
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(device->accordion()->pages()[0]->contentLayout()->count(), 2);

    device->clear();
    EXPECT_TRUE(device->accordion()->pages().empty());
    EXPECT_NE(device->grid(L"A", L"B"), nullptr);
    EXPECT_EQ(page_titles(*device), std::vector<std::wstring>{L"A"});
}

TEST_F(PropertyViewTest, RowHandlesDoNothingOnceTheirWidgetsAreGone)
{
    auto view = settings();
    auto abs = view->addAbsParameter(L"", L"P", L"Gain", 1, 0, 10);
    auto exposure = view->addExposureParameter(L"", L"P", L"Exposure", 0.01, 0.0001, 1, 0.0001, false, false);
    auto range = view->addRangeParameter(L"", L"P", L"Offset", 3, 0, 10);
    auto check = view->addSwitchParameter(L"", L"P", L"Reverse", true);
    auto list = view->addListParameter(L"", L"P", L"Mode", {L"a", L"b"}, L"a");
    auto dyn = view->addDynListParameter(L"", L"P", L"Names", {L"x"}, L"x");
    auto text = view->addStringParameter(L"", L"P", L"Text", L"t");
    auto file = view->addFilenameParameter(L"", L"P", L"File", L"/tmp/f");
    auto push = view->addPushParameter(L"", L"P", L"Run");
    auto color = view->addColorParameter(L"", L"Q", L"Colour", 0xFF112233);
    ASSERT_NE(std::dynamic_pointer_cast<QtPropertyViewAbsParameter>(abs)->editor(), nullptr);

    view->removeGrid(L"Q");
    view->clear();
    run_posted();
    EXPECT_EQ(std::dynamic_pointer_cast<QtPropertyViewAbsParameter>(abs)->editor(), nullptr);
    EXPECT_EQ(std::dynamic_pointer_cast<QtPropertyViewColorParameter>(color)->editor(), nullptr);

    // Every operation of every kind is harmless now (the address sanitizer
    // build catches a touch of freed memory).
    std::vector<std::shared_ptr<app::IPropertyViewParameter>> rows{abs, exposure, range, check, list,
                                                                   dyn, text,     file,  push,  color};
    for (const auto& row : rows)
        row->setEnabled(false);
    abs->setValue(2);
    abs->setLogarithmic(true);
    abs->setUnit(L"dB");
    abs->setup(0, 1, 0.5, 0.1, false, false);
    exposure->setValue(0.1);
    exposure->setLogarithmic(true);
    exposure->setUnit(L"s");
    exposure->repaint();
    exposure->setup(0, 1, 0.5, 0.1, false, false);
    range->setValue(4);
    range->setup(0, 5, 1, 1, false, false);
    check->setValue(false);
    check->setup(true, false, false);
    list->setItems({L"c"});
    list->setCurrentText(L"c");
    list->setup(L"c", {L"c"}, false, false);
    EXPECT_EQ(list->currentText(), L"");
    dyn->setItems({L"y"});
    dyn->setCurrentText(L"y");
    EXPECT_EQ(dyn->currentText(), L"");
    text->setText(L"u");
    text->setReadOnly(false);
    text->setValid(false);
    EXPECT_EQ(text->text(), L"");
    file->setText(L"/tmp/g");
    EXPECT_EQ(file->text(), L"");
    push->setButtonText(L"Go");
    push->setLabelText(L"Go");
    color->setColor(0xFF445566);
}

TEST_F(PropertyViewTest, ExpandStatesComeBackOnlyForTheSamePages)
{
    auto view = settings();
    view->expandCategory(L"");
    EXPECT_EQ(view->expandedCategory(), L"") << "no pages: nothing happens";

    view->grid(L"", L"A");
    view->grid(L"", L"B");
    view->expandCategory(L"B");
    EXPECT_EQ(view->expandedCategory(), L"B");
    view->saveExpandState();

    // The same pages: the saved states come back at the next turn.
    view->expandAll();
    view->restoreExpandState();
    EXPECT_EQ(view->expandedCategory(), L"A") << "posted, not at once";
    run_posted();
    EXPECT_EQ(view->expandedCategory(), L"B");
    EXPECT_FALSE(view->accordion()->pages()[0]->isExpanded());

    // A page added since: nothing changes.
    view->saveExpandState();
    view->expandCategory(L"A");
    view->grid(L"", L"C");
    view->restoreExpandState();
    run_posted();
    EXPECT_TRUE(view->accordion()->pages()[0]->isExpanded());
    EXPECT_TRUE(view->accordion()->pages()[1]->isExpanded());

    view->expandCategory(L"");
    EXPECT_EQ(view->expandedCategory(), L"A") << "an empty name means the first page";
}

TEST_F(PropertyViewTest, SettingsRowsWriteStraightIntoTheParameters)
{
    helper::ParameterContainer container;
    std::vector<std::wstring> notified;
    container.setChangeCallback([&](helper::Parameter* p) { notified.push_back(p->name()); });
    auto count = container.addInt(L"Count", 0, 10, 3);
    auto scale = container.addFloat(L"Scale", 0, 2, 1.0);
    container.addBool(L"Enabled", true);
    auto lower = container.addBool(L"enabled", false);
    auto mode = container.addList(L"Mode", {L"Fast", L"Fine"}, L"Fine");
    auto name = container.addString(L"Name", L"abc");
    auto colour = container.addColor(L"Colour", 0xFF102030);

    auto view = settings();
    view->addParameters(L"Overlay", container.parameters());
    auto* grid = dynamic_cast<PropertyGrid*>(view->grid(L"", L"Overlay"));
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(page_titles(*view), std::vector<std::wstring>{L"Overlay"});
    EXPECT_EQ(row_labels(grid), (QStringList{"Count", "Scale", "enabled", "Mode", "Name", "Colour"}))
        << "\"Enabled\" gets no row, \"enabled\" does";
    run_posted();
    EXPECT_TRUE(view->accordion()->pages()[0]->isExpanded()) << "the page is refitted and opened";

    auto* list = find_row<ListParameter>(grid);
    EXPECT_EQ(list->comboBox()->currentText(), "Fine");
    auto* text = find_row<StringParameter>(grid);
    EXPECT_FALSE(text->isReadOnly());
    EXPECT_TRUE(text->isEnabled());

    find_row<IntParameter>(grid)->setValue(7);
    find_row<FloatParameter>(grid)->setValue(1.5);
    find_row<BoolParamater>(grid)->setValue(true);
    list->comboBox()->setCurrentIndex(0);
    text->setText(L"xyz");
    EXPECT_EQ(count->value(), 7);
    EXPECT_DOUBLE_EQ(scale->value(), 1.5);
    EXPECT_TRUE(lower->value());
    EXPECT_EQ(mode->value(), L"Fast");
    EXPECT_EQ(name->value(), L"xyz");
    EXPECT_EQ(notified, (std::vector<std::wstring>{L"Count", L"Scale", L"enabled", L"Mode", L"Name"}));

    // The colour: the button shows it; a chosen colour is stored at once and
    // shown, without the owner's callback; a cancelled dialog changes nothing.
    auto* button = find_row<PushParameter>(grid);
    EXPECT_EQ(button->text(), "#102030");
    EXPECT_EQ(button->styleSheet(), "background-color: #102030");
    quorel::test::ScriptedColorPicker picker({QColor(0xFF, 0xFF, 0xF0), QColor(0x40, 0x50, 0x60), QColor()});
    button->click();
    EXPECT_EQ(button->styleSheet(), "background-color: #fffff0; color: #000000")
        << "the name stays readable on a light colour";
    button->click();
    EXPECT_EQ(colour->value(), 0xFF405060u);
    EXPECT_EQ(button->text(), "#405060");
    EXPECT_EQ(button->styleSheet(), "background-color: #405060");
    button->click();
    EXPECT_EQ(colour->value(), 0xFF405060u);
    EXPECT_EQ(notified.size(), 5u) << "colours are stored without the callback";
    ASSERT_EQ(picker.starts.size(), 3u);
    EXPECT_EQ(picker.starts[0], QColor(0x10, 0x20, 0x30));
    EXPECT_EQ(picker.titles[0], "Select Color");
}

TEST_F(PropertyViewTest, AdaptersPassTheirEditorsEventsOnWithThemselvesAsSender)
{
    auto view = settings();
    auto abs = view->addAbsParameter(L"", L"P", L"Gain", 1, 0, 10, 0.5, {}, 1, false, false);
    auto exposure = view->addExposureParameter(L"", L"P", L"Exposure", 0.01, 0.0001, 1, 0.0001, false, false);
    auto range = view->addRangeParameter(L"", L"P", L"Offset", 3, 0, 10, 1, {}, 0, false, false);
    auto check = view->addSwitchParameter(L"", L"P", L"Reverse", false, false, false);
    auto list = view->addListParameter(L"", L"P", L"Mode", {L"a", L"b"}, L"a");
    auto dyn = view->addDynListParameter(L"", L"P", L"Names", {L"x"}, L"x");
    auto text = view->addStringParameter(L"", L"P", L"Text", L"t");
    auto file = view->addFilenameParameter(L"", L"P", L"File", L"/tmp/f");
    auto push = view->addPushParameter(L"", L"P", L"Run");

    EventRecord<float> absValues, exposureValues;
    EventRecord<int64_t> rangeValues;
    EventRecord<bool> checkValues;
    EventRecord<std::wstring> listSelections, dynSelections, dynChanged, dynAdded, dynRemoved, texts, files;
    EventRecord<> browsed, pushed, activated;
    absValues.watch(abs->valueChanged);
    exposureValues.watch(exposure->valueChanged);
    rangeValues.watch(range->valueChanged);
    checkValues.watch(check->valueChanged);
    listSelections.watch(list->selectionChanged);
    dynSelections.watch(dyn->selectionChanged);
    dynChanged.watch(dyn->itemChanged);
    dynAdded.watch(dyn->itemAdded);
    dynRemoved.watch(dyn->itemRemoved);
    texts.watch(text->textChanged);
    files.watch(file->textChanged);
    browsed.watch(file->browseRequested);
    pushed.watch(push->pushed);
    activated.watch(abs->activated);
    activated.watch(push->activated);

    auto editor = [](const auto& row) { return row->editor(); };
    using app::raise_event;
    raise_event(editor(std::dynamic_pointer_cast<QtPropertyViewAbsParameter>(abs))->eventValueChanged,
                nullptr, 2.5f);
    raise_event(
        editor(std::dynamic_pointer_cast<QtPropertyViewExposureParameter>(exposure))->eventValueChanged,
        nullptr, 0.02f);
    raise_event(editor(std::dynamic_pointer_cast<QtPropertyViewRangeParameter>(range))->eventValueChanged,
                nullptr, 9LL);
    raise_event(editor(std::dynamic_pointer_cast<QtPropertyViewSwitchParamater>(check))->eventValueChanged,
                nullptr, true);
    raise_event(editor(std::dynamic_pointer_cast<QtPropertyViewListParameter>(list))->eventSelectionChanged,
                nullptr, std::wstring(L"b"));
    DynListParameter* dynEditor = editor(std::dynamic_pointer_cast<QtPropertyDynListParameter>(dyn));
    raise_event(dynEditor->eventSelectionChanged, nullptr, std::wstring(L"x"));
    raise_event(dynEditor->eventItemChanged, nullptr, 0, std::wstring(L"renamed"));
    raise_event(dynEditor->eventItemAdded, nullptr, std::wstring(L"new"));
    raise_event(dynEditor->eventItemRemoved, nullptr, std::wstring(L"old"));
    raise_event(editor(std::dynamic_pointer_cast<QtPropertyViewStringParamater>(text))->eventTextChanged,
                nullptr, std::wstring(L"typed"));
    FilenameParameter* fileEditor = editor(std::dynamic_pointer_cast<QtPropertyViewFilenameParamater>(file));
    raise_event(fileEditor->eventTextChanged, nullptr, std::wstring(L"/tmp/h"));
    fileEditor->browseButton()->click();
    auto pushRow = std::dynamic_pointer_cast<QtPropertyViewPushParam>(push);
    pushRow->editor()->click();
    raise_event(pushRow->label()->eventActivated, nullptr);
    raise_event(std::dynamic_pointer_cast<QtPropertyViewAbsParameter>(abs)->editor()->eventActivated,
                nullptr);

    EXPECT_EQ(absValues.calls, (std::vector<std::tuple<float>>{{2.5f}}));
    EXPECT_EQ(absValues.senders, std::vector<app::IViewBase*>{abs.get()});
    EXPECT_EQ(exposureValues.calls, (std::vector<std::tuple<float>>{{0.02f}}));
    EXPECT_EQ(rangeValues.calls, (std::vector<std::tuple<int64_t>>{{9}}));
    EXPECT_EQ(checkValues.calls, (std::vector<std::tuple<bool>>{{true}}));
    EXPECT_EQ(listSelections.calls, (std::vector<std::tuple<std::wstring>>{{L"b"}}));
    EXPECT_EQ(dynSelections.calls, (std::vector<std::tuple<std::wstring>>{{L"x"}}));
    EXPECT_EQ(dynChanged.calls, (std::vector<std::tuple<std::wstring>>{{L"renamed"}})) << "the text only";
    EXPECT_EQ(dynAdded.calls, (std::vector<std::tuple<std::wstring>>{{L"new"}}));
    EXPECT_EQ(dynRemoved.calls, (std::vector<std::tuple<std::wstring>>{{L"old"}}));
    EXPECT_EQ(texts.calls, (std::vector<std::tuple<std::wstring>>{{L"typed"}}));
    EXPECT_EQ(files.calls, (std::vector<std::tuple<std::wstring>>{{L"/tmp/h"}}));
    EXPECT_EQ(browsed.count(), 1u);
    EXPECT_EQ(pushed.count(), 1u);
    EXPECT_EQ(pushed.senders, std::vector<app::IViewBase*>{push.get()});
    EXPECT_EQ(activated.senders, (std::vector<app::IViewBase*>{push.get(), abs.get()}))
        << "label and editor both activate their row";

    // A row the controller dropped is not told any more.
    PushParameter* pushEditor = pushRow->editor();
    const std::weak_ptr<app::IPropertyViewPushParamater> weak = push;
    pushRow.reset();
    push.reset();
    EXPECT_TRUE(weak.expired());
    pushEditor->click();
    EXPECT_EQ(pushed.count(), 1u);
}

TEST_F(PropertyViewTest, AdapterOperationsReachTheirEditors)
{
    auto view = settings();
    auto abs = view->addAbsParameter(L"", L"P", L"Gain", 1, 0, 10);
    auto* absEditor = std::dynamic_pointer_cast<QtPropertyViewAbsParameter>(abs)->editor();
    EXPECT_DOUBLE_EQ(absEditor->step(), 0.01) << "the short form's step";
    abs->setLogarithmic(true);
    EXPECT_EQ(absEditor->sliderScale(), 1);
    abs->setLogarithmic(false);
    EXPECT_EQ(absEditor->sliderScale(), 0);
    abs->setup(0, 20, 5, 0.5, false, false);
    EXPECT_DOUBLE_EQ(absEditor->maximum(), 20);
    abs->setValue(7);
    EXPECT_DOUBLE_EQ(absEditor->value(), 7);

    auto range = view->addRangeParameter(L"", L"P", L"Offset", 3, 0, 10);
    auto* rangeEditor = std::dynamic_pointer_cast<QtPropertyViewRangeParameter>(range)->editor();
    EXPECT_EQ(rangeEditor->step(), 1);
    range->setValue(8);
    EXPECT_EQ(rangeEditor->value(), 8);

    auto list = view->addListParameter(L"", L"P", L"Mode", {L"a", L"b"}, L"a", true, false);
    auto* listEditor = std::dynamic_pointer_cast<QtPropertyViewListParameter>(list)->editor();
    EXPECT_FALSE(listEditor->comboBox()->isEnabled()) << "locked";
    list->setup(L"b", {L"a", L"b", L"c"}, false, false);
    EXPECT_EQ(list->currentText(), L"b");
    EXPECT_EQ(listEditor->comboBox()->count(), 3);

    auto text = view->addStringParameter(L"", L"P", L"Text", L"t");
    text->setText(L"u");
    EXPECT_EQ(text->text(), L"u");
    text->setReadOnly(false);
    EXPECT_FALSE(std::dynamic_pointer_cast<QtPropertyViewStringParamater>(text)->editor()->isReadOnly());

    auto push = view->addPushParameter(L"", L"P", L"Run");
    auto pushRow = std::dynamic_pointer_cast<QtPropertyViewPushParam>(push);
    push->setButtonText(L"Go");
    push->setLabelText(L"Start");
    EXPECT_EQ(pushRow->editor()->text(), "Go");
    EXPECT_EQ(pushRow->label()->text(), "Start");
    push->setEnabled(false);
    EXPECT_FALSE(pushRow->editor()->isEnabled());
    EXPECT_FALSE(pushRow->label()->isEnabled());
}

TEST_F(PropertyViewTest, ColourRowReportsAChosenColourOnce)
{
    auto view = settings();
    auto colour = view->addColorParameter(L"", L"P", L"Colour", 0xFF112233);
    auto row = std::dynamic_pointer_cast<QtPropertyViewColorParameter>(colour);
    EXPECT_EQ(row->editor()->text(), "#112233");
    EventRecord<uint32_t> changes;
    changes.watch(colour->colorChanged);

    colour->setColor(0xFF223344);
    EXPECT_EQ(changes.count(), 0u) << "setColor raises nothing";
    EXPECT_EQ(row->editor()->text(), "#223344");

    quorel::test::ScriptedColorPicker picker({QColor(), QColor(0xAA, 0xBB, 0xCC)});
    row->editor()->click(); // cancelled
    EXPECT_EQ(changes.count(), 0u);
    row->editor()->click();
    EXPECT_EQ(changes.calls, (std::vector<std::tuple<uint32_t>>{{0xFFAABBCCu}}));
    EXPECT_EQ(changes.senders, std::vector<app::IViewBase*>{colour.get()});
    EXPECT_EQ(picker.starts, (std::vector<QColor>{QColor(0x22, 0x33, 0x44), QColor(0x22, 0x33, 0x44)}));
    EXPECT_EQ(row->color(), 0xFFAABBCCu);
    EXPECT_EQ(row->editor()->text(), "#aabbcc");
}

TEST_F(PropertyViewTest, ButtonsDescriptionInvokeAndClose)
{
    int updates = 0;
    QtPropertyView device(L"Device", nullptr, true, true, false,
                          {{"Update", [&] { ++updates; }}, {"Reset", nullptr}});
    ASSERT_EQ(device.buttons().size(), 2u);
    EXPECT_EQ(device.buttons()[0]->text(), "Update");
    device.buttons()[0]->click();
    device.buttons()[1]->click(); // an empty callback does nothing
    EXPECT_EQ(updates, 1);
    EXPECT_FALSE(device.accordion()->multipleOpen());

    // Camera text is shown as it is, never as markup.
    device.setDescription("Gain - Analog", "<b>dB</b> \xc3\xa4");
    EXPECT_EQ(device.titleLabel()->text(), "Gain - Analog");
    EXPECT_EQ(device.descriptionLabel()->text(), QString::fromUtf8("<b>dB</b> \xc3\xa4"));
    EXPECT_EQ(device.descriptionLabel()->textFormat(), Qt::PlainText);

    auto view = settings();
    EXPECT_EQ(view->titleLabel(), nullptr);
    EXPECT_TRUE(view->buttons().empty());
    EXPECT_TRUE(view->accordion()->multipleOpen());
    view->setDescription("ignored", "ignored"); // no description area: nothing happens

    int invoked = 0;
    view->invoke([&] { ++invoked; });
    view->invoke(nullptr);
    EXPECT_EQ(invoked, 1);

    EventRecord<> closed;
    closed.watch(view->closed);
    view->show();
    EXPECT_TRUE(view->close());
    EXPECT_EQ(closed.senders, std::vector<app::IViewBase*>{view.get()});
    EXPECT_FALSE(view->isVisible());
}
