// The simple rows of the property grid: check box, lists, file name, text,
// push button, information text, and the activation every row reports.
#include "GridTestSupport.h"
#include "app/Localization.h"
#include "views/grid/BoolParamater.h"
#include "views/grid/DynListParameter.h"
#include "views/grid/FilenameParameter.h"
#include "views/grid/ListParameter.h"
#include "views/grid/PropertyGrid.h"
#include "views/grid/PropertyGridLabelBase.h"
#include "views/grid/PushParameter.h"
#include "views/grid/StringParameter.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <memory>

using namespace app::QtView;
using quorel::test::EventRecord;

namespace {

using Items = std::vector<std::wstring>;

QStringList combo_texts(const ListParameter& row)
{
    QStringList texts;
    for (int i = 0; i < row.comboBox()->count(); ++i)
        texts << row.comboBox()->itemText(i);
    return texts;
}

std::vector<std::wstring> selections(const EventRecord<std::wstring>& record)
{
    std::vector<std::wstring> out;
    for (const auto& call : record.calls)
        out.push_back(std::get<0>(call));
    return out;
}

} // namespace

TEST(BoolParamater, FlagsDisableTheBox)
{
    struct Case {
        bool locked, readOnly, enabled;
    };
    for (const Case c : {Case{false, false, true}, Case{true, false, false}, Case{false, true, false}}) {
        BoolParamater row(true, c.locked, c.readOnly, nullptr);
        EXPECT_EQ(row.isEnabled(), c.enabled);
        EXPECT_TRUE(row.isChecked());
    }
}

TEST(BoolParamater, SetValueReportsBeforeTheBoxChangesAndOnlyForANewValue)
{
    BoolParamater row(false, false, false, nullptr);
    std::vector<std::pair<bool, bool>> seen; // value reported, box state at that moment
    row.eventValueChanged.push_back([&](app::IViewBase* sender, bool v) {
        EXPECT_EQ(sender, nullptr);
        seen.emplace_back(v, row.isChecked());
    });
    row.setValue(false);
    row.setup(true, false, false);
    row.setValue(true);
    EXPECT_TRUE(seen.empty());

    row.setValue(false);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], std::make_pair(false, true));
    EXPECT_FALSE(row.isChecked());

    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(6, row.height() / 2));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[1].first);
    EXPECT_TRUE(row.value());
}

TEST(ListParameter, ReadOnlyRowShowsATextField)
{
    ListParameter row({L"Mono8", L"RGB24"}, L"RGB24", false, true, nullptr);
    EXPECT_EQ(row.comboBox(), nullptr);
    ASSERT_NE(row.textField(), nullptr);
    EXPECT_TRUE(row.textField()->isReadOnly());
    EXPECT_EQ(row.textField()->text(), "RGB24");
    row.setCurrentText(L"Mono8");
    EXPECT_EQ(row.textField()->text(), "Mono8");
    row.setCurrentText(L"YUV");
    EXPECT_EQ(row.textField()->text(), "Mono8");
}

TEST(ListParameter, BuiltAndSetUpSilentlyWithTheGivenCurrentItem)
{
    ListParameter row({L"a", L"b", L"c"}, L"b", false, false, nullptr);
    EventRecord<std::wstring> selected;
    selected.watch(row.eventSelectionChanged);
    EXPECT_EQ(combo_texts(row), QStringList({"a", "b", "c"}));
    EXPECT_EQ(row.comboBox()->currentIndex(), 1);

    row.setup(L"z", {L"x", L"z"}, true, false);
    EXPECT_EQ(row.comboBox()->currentIndex(), 1);
    EXPECT_FALSE(row.comboBox()->isEnabled());
    EXPECT_EQ(row.current(), L"z");
    EXPECT_EQ(selected.count(), 0u);

    ListParameter none({L"a"}, L"q", true, false, nullptr);
    EXPECT_EQ(none.comboBox()->currentIndex(), -1);
    EXPECT_FALSE(none.comboBox()->isEnabled());
}

TEST(ListParameter, SetItemsReportsWhileRefilling)
{
    struct Case {
        const char* name;
        Items before;
        std::wstring current;
        Items after;
        std::vector<std::wstring> events;
        int index;
    };
    const Case cases[] = {
        // Clearing reports the first new item, filling reports it again.
        {"replaced items", {L"a", L"b", L"c"}, L"b", {L"x", L"b"}, {L"x", L"x"}, 0},
        // ... and the last item equal to it is then selected, reported once more.
        {"duplicate first item", {L"a", L"b"}, L"b", {L"x", L"y", L"x"}, {L"x", L"x", L"x"}, 2},
        {"empty list", {L"a", L"b"}, L"b", {}, {}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ListParameter row(c.before, c.current, false, false, nullptr);
        EventRecord<std::wstring> selected;
        selected.watch(row.eventSelectionChanged);
        row.setItems(c.after);
        EXPECT_EQ(selections(selected), c.events);
        EXPECT_EQ(row.comboBox()->currentIndex(), c.index);
        EXPECT_EQ(row.comboBox()->count(), static_cast<int>(c.after.size()));
    }
}

TEST(ListParameter, SelectingByTextAndIndex)
{
    ListParameter row({L"a", L"b", L"b", L"c"}, L"a", false, false, nullptr);
    EventRecord<std::wstring> selected;
    selected.watch(row.eventSelectionChanged);

    row.setCurrentText(L"q");
    row.setCurrentIndex(-1);
    row.setCurrentIndex(4);
    EXPECT_EQ(row.comboBox()->currentIndex(), 0);
    EXPECT_EQ(selected.count(), 0u);

    row.setCurrentText(L"b");
    EXPECT_EQ(row.comboBox()->currentIndex(), 1);
    row.setCurrentIndex(3);
    EXPECT_EQ(row.current(), L"c");
    EXPECT_EQ(selections(selected), (std::vector<std::wstring>{L"b", L"c"}));

    // The user picks an item.
    row.comboBox()->setCurrentIndex(0);
    EXPECT_EQ(row.current(), L"a");

    // Clearing reports the first item (the items stay).
    row.clear();
    EXPECT_EQ(selected.calls.back(), std::make_tuple(std::wstring(L"a")));
    EXPECT_EQ(row.items().size(), 4u);
}

TEST(DynListParameter, RenamingKeepsNamesUnique)
{
    DynListParameter row({L"one", L"two"}, L"two", nullptr);
    EventRecord<int, std::wstring> changed;
    changed.watch(row.eventItemChanged);
    ASSERT_EQ(row.list()->currentRow(), 1);
    EXPECT_EQ(row.nameField()->text(), "two");

    row.nameField()->setText("one");
    EXPECT_EQ(row.nameField()->styleSheet(), "QLineEdit { border-color: #ff0000;}");
    EXPECT_EQ(row.items(), (Items{L"one", L"two"}));
    EXPECT_EQ(changed.count(), 0u);

    row.nameField()->setText("three");
    EXPECT_EQ(row.nameField()->styleSheet(), "QLineEdit { border-color: #3f3f46;}");
    EXPECT_EQ(row.items(), (Items{L"one", L"three"}));
    EXPECT_EQ(row.list()->item(1)->text(), "three");
    ASSERT_EQ(changed.count(), 1u);
    EXPECT_EQ(changed.last(), std::make_tuple(1, std::wstring(L"three")));
}

TEST(DynListParameter, AddPicksTheFirstFreeNameAndSelectsIt)
{
    DynListParameter row({}, L"", nullptr);
    EventRecord<std::wstring> added;
    added.watch(row.eventItemAdded);
    EventRecord<std::wstring> selected;
    selected.watch(row.eventSelectionChanged);

    QTest::mouseClick(row.addButton(), Qt::LeftButton);
    QTest::mouseClick(row.addButton(), Qt::LeftButton);
    EXPECT_EQ(row.items(), (Items{L"New item0", L"New item1"}));
    EXPECT_EQ(selections(added), (std::vector<std::wstring>{L"New item0", L"New item1"}));
    EXPECT_EQ(selections(selected), (std::vector<std::wstring>{L"New item0", L"New item1"}));
    EXPECT_EQ(row.nameField()->text(), "New item1");
    EXPECT_EQ(row.nameField()->selectedText(), "New item1");

    row.list()->setCurrentRow(0);
    row.nameField()->setText("Gain");
    QTest::mouseClick(row.addButton(), Qt::LeftButton);
    EXPECT_EQ(row.items(), (Items{L"Gain", L"New item1", L"New item0"}));
}

TEST(DynListParameter, RemoveReportsTheNewSelectionFirstAndKeepsTheLastEntry)
{
    DynListParameter row({L"a", L"b", L"c"}, L"b", nullptr);
    std::vector<std::string> order;
    row.eventSelectionChanged.push_back(
        [&](app::IViewBase*, const std::wstring& t) { order.push_back("select " + app::wide_to_utf8(t)); });
    row.eventItemChanged.push_back([&](app::IViewBase*, int r, const std::wstring& t) {
        order.push_back("change " + std::to_string(r) + " " + app::wide_to_utf8(t));
    });
    row.eventItemRemoved.push_back(
        [&](app::IViewBase*, const std::wstring& t) { order.push_back("remove " + app::wide_to_utf8(t)); });

    QTest::mouseClick(row.removeButton(), Qt::LeftButton);
    EXPECT_EQ(row.items(), (Items{L"a", L"c"}));
    EXPECT_EQ(order, (std::vector<std::string>{"select c", "change 1 c", "remove b"}));
    // The name field shows the new selection as a valid, unique name.
    EXPECT_EQ(row.nameField()->text(), "c");
    EXPECT_NE(row.nameField()->styleSheet(), "QLineEdit { border-color: #ff0000;}");

    QTest::mouseClick(row.removeButton(), Qt::LeftButton);
    EXPECT_EQ(row.items(), (Items{L"a"}));
    QTest::mouseClick(row.removeButton(), Qt::LeftButton);
    EXPECT_EQ(row.items(), (Items{L"a"}));
    EXPECT_EQ(row.list()->count(), 1);
}

TEST(TextRows, SettersAndEvents)
{
    Localization::loadFromText(R"({"Messages": {"Browse": "Browse…"}})", L"en-US");
    FilenameParameter file(L"/tmp/a.png", nullptr);
    EXPECT_EQ(file.browseButton()->text(), QString::fromUtf8("Browse…"));
    EXPECT_TRUE(file.pathField()->isReadOnly());
    EventRecord<std::wstring> fileText;
    fileText.watch(file.eventTextChanged);
    EventRecord<> browse;
    browse.watch(file.eventBrowse);
    file.setText(L"/tmp/b.png");
    EXPECT_EQ(file.text(), L"/tmp/b.png");
    EXPECT_EQ(file.pathField()->text(), "/tmp/b.png");
    EXPECT_EQ(fileText.count(), 0u);
    QTest::mouseClick(file.browseButton(), Qt::LeftButton);
    EXPECT_EQ(browse.count(), 1u);

    StringParameter text(L"abc", nullptr);
    EventRecord<std::wstring> changed;
    changed.watch(text.eventTextChanged);
    text.setText(L"abc");
    EXPECT_EQ(changed.count(), 0u);
    text.setText(L"xyz");
    ASSERT_EQ(changed.count(), 1u);
    EXPECT_EQ(changed.last(), std::make_tuple(std::wstring(L"xyz")));
    text.setValid(false);
    EXPECT_EQ(text.styleSheet(), "QLineEdit { border-color: #ff0000;}");
    text.setValid(true);
    EXPECT_EQ(text.styleSheet(), "QLineEdit { border-color: #3f3f46;}");

    PushParameter push(nullptr);
    EXPECT_EQ(push.text(), "Push");
    EventRecord<> clicked;
    clicked.watch(push.eventClicked);
    QTest::mouseClick(&push, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1u);
}

TEST(RowActivation, MouseEnteringOrFocusInAnyPartOfARowRaisesActivated)
{
    PropertyGrid grid(nullptr);
    auto [boolLabel, boolRow] = grid.addBool(L"Trigger", false);
    auto [listLabel, listRow] = grid.addList(L"Format", {L"a", L"b"}, L"a");
    auto [fileLabel, fileRow] = grid.addFilename(L"Folder", L"/tmp");
    struct Case {
        const char* name;
        app::EventList<>* list;
        QWidget* target;
        QEvent::Type type;
    };
    const Case cases[] = {
        {"label, mouse", &boolLabel->eventActivated, boolLabel, QEvent::Enter},
        {"check box, focus", &boolRow->eventActivated, boolRow, QEvent::FocusIn},
        {"combo box inside the list row, mouse", &listRow->eventActivated, listRow->comboBox(),
         QEvent::Enter},
        {"browse button inside the file row, focus", &fileRow->eventActivated, fileRow->browseButton(),
         QEvent::FocusIn},
        {"label of the file row, focus", &fileLabel->eventActivated, fileLabel, QEvent::FocusIn},
    };
    // The records outlive every later event of the grid.
    std::vector<EventRecord<>> activated(std::size(cases));
    for (size_t i = 0; i < std::size(cases); ++i)
        activated[i].watch(*cases[i].list);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        if (c.type == QEvent::FocusIn) {
            QFocusEvent event(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(c.target, &event);
        } else {
            QEvent event(QEvent::Enter);
            QApplication::sendEvent(c.target, &event);
        }
        EXPECT_EQ(activated[i].count(), 1u) << c.name;
        EXPECT_EQ(activated[i].senders.front(), nullptr) << c.name;
    }
    (void)listLabel;
}
