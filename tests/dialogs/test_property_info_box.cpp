// The information box: the Markdown text of every kind of feature, value
// texts by representation, failures shown in the text, and the presentation.

#include "TreeCameras.h"
#include "dialogs/PropertyInfoBox.h"

#include <QTextBlock>

using namespace quorel::test;
using namespace vsx::ui_util;

namespace {

TEST(PropertyValueText, ByRepresentation)
{
    struct Case {
        int64_t value;
        int representation;
        const char* text;
    } const cases[] = {
        {255, 4, "0xff"},
        {3232235777, 5, "192.168.1.1"},
        {31273388812, 6, "00:07:48:0a:0b:0c"},
        {0, 2, "False"},
        {-3, 2, "True"},
        {42, 0, "42"},
        {-42, 3, "-42"},
        {0, 5, "0.0.0.0"},
        {0xFFFFFFFFFFFF, 6, "ff:ff:ff:ff:ff:ff"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(property_value_text(c.value, c.representation).toStdString(), c.text) << c.value;
}

class PropertyInfoBoxTest : public TreeTest {};

TEST_F(PropertyInfoBoxTest, TextsOfEveryKind)
{
    open(kEditorCamera);
    const QString writable = "\n\n\n\nAccess: Readable, Writable\n\n";
    struct Case {
        const char* feature;
        QString text;
    } const cases[] = {
        {"ReadOnlyCount", "**ReadOnlyCount**\n\n\n\nAccess: Read-Only\n\nType: Integer\n\nValue: 7\n\n"},
        {"Snapped",
         "**Snapped**" + writable +
             "Type: Integer\n\nUnit: ms\n\nValue: 40\n\nMinimum: 0\n\nMaximum: 100\n\nIncrement: 10\n\n"},
        {"Hexadecimal",
         "**Hexadecimal**" + writable +
             "Type: Integer\n\nValue: 0xff\n\nMinimum: 0\n\nMaximum: 65535\n\nIncrement: 1\n\n"},
        {"Precision2",
         "**Precision2**\n\nTwo digits." + writable +
             "Type: Float\n\nUnit: ms\n\nValue: 346\n\nMinimum: 0\n\nMaximum: 1000\n\nIncrement: 0\n\n"},
        {"Precision4", "**Precision4**" + writable +
                           "Type: Float\n\nValue: 123.5\n\nMinimum: 0\n\nMaximum: 1000\n\nIncrement: 0\n\n"},
        {"Mail",
         "**Mail**" + writable +
             "Type: String\n\nValue: cam<span>@</span>lab<span>@</span>site\n\nMaximum Length: 32\n\n"},
        {"Mode", "**Mode**\n\nHow it runs." + writable +
                     "Type: Enumeration\n\nValue: Slow\n\nPossible Values: Fast, Slow\n\n"},
        {"Flag", "**Flag**" + writable + "Type: Boolean\n\nValue: True\n\n"},
        {"UserSetSave", "**UserSetSave**\n\nSaves the current settings into the selected set." + writable},
        {"Fixtures", "**Fixtures**" + writable + "Type: Category\n\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PropertyInfoBox::compose(map.find(c.feature), QLocale::c()).toStdString(),
                  c.text.toStdString());
    // The box's locale gives the separators.
    EXPECT_TRUE(PropertyInfoBox::compose(map.find("Precision4"), QLocale(QLocale::German))
                    .contains("Value: 123,5\n\n"));
}

TEST_F(PropertyInfoBoxTest, FailedReadsShowInTheText)
{
    open(kEditorCamera);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_integer_get_value", "feature": "Snapped",
                                      "count": -1, "message": "sensor asleep"})"),
              0);
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_prop_integer_get_inc", "feature": "Snapped", "count": -1})"),
        0);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_enum_get_entries", "feature": "Mode", "count": -1,
                                      "message": "no list"})"),
              0);
    ASSERT_GT(
        vsxsim_inject_fault(R"({"function": "vsx_prop_boolean_get_value", "feature": "Flag", "count": -1,
                                      "message": "no flag"})"),
        0);
    const QString snapped = PropertyInfoBox::compose(map.find("Snapped"), QLocale::c());
    EXPECT_TRUE(
        snapped.contains("Value: <span style='color:red'>sensor asleep</span>\n\nMinimum: 0\n\nMaximum: 100"
                         "\n\n"))
        << snapped.toStdString();
    EXPECT_FALSE(snapped.contains("Increment"));
    EXPECT_TRUE(PropertyInfoBox::compose(map.find("Mode"), QLocale::c())
                    .endsWith("Value: Slow\n\nPossible Values: <span style='color:red'>no list</span>\n\n"));
    EXPECT_TRUE(PropertyInfoBox::compose(map.find("Flag"), QLocale::c())
                    .endsWith("Value: <span style='color:red'>no flag</span>\n\n"));
}

TEST_F(PropertyInfoBoxTest, ShowsTheTextReadOnlyWithTallerFirstLine)
{
    open(kEditorCamera);
    PropertyInfoBox box;
    box.show_property(map.find("Mail"));
    EXPECT_TRUE(box.isReadOnly());
    EXPECT_EQ(box.textInteractionFlags(), Qt::NoTextInteraction);
    EXPECT_TRUE(box.toPlainText().startsWith("Mail\n"));
    EXPECT_TRUE(box.toPlainText().contains("cam@lab@site"));
    QTextBlock block = box.document()->begin();
    EXPECT_EQ(block.blockFormat().lineHeight(), 160);
    EXPECT_EQ(block.next().blockFormat().lineHeight(), 120);
    EXPECT_EQ(block.blockFormat().lineHeightType(), QTextBlockFormat::ProportionalHeight);
}

} // namespace
