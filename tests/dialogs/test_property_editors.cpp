// The property tree's editors: one per kind, the widgets of each numeric
// representation, integer snapping, slider mappings (with empty, reversed,
// logarithmic-from-zero and full 64-bit ranges), writes, failed writes,
// refreshes on the camera's notifications and their end with the editor.

#include "TreeCameras.h"
#include "dialogs/CreatePropControl.h"
#include "dialogs/FormattingDoubleSpinBox.h"
#include "dialogs/PropBooleanControl.h"
#include "dialogs/PropCategoryControl.h"
#include "dialogs/PropCommandControl.h"
#include "dialogs/PropEnumerationControl.h"
#include "dialogs/PropFloatControl.h"
#include "dialogs/PropIntControl.h"
#include "dialogs/PropIntSpinBox.h"
#include "dialogs/PropStringControl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <atomic>
#include <thread>

using namespace quorel::test;
using namespace vsx::ui_util;

namespace {

class PropertyEditorTest : public TreeTest {
protected:
    template <typename Editor> std::unique_ptr<Editor> editor(const char* feature)
    {
        QWidget* widget = create_prop_control(map.find(feature), nullptr, grabber.get());
        auto* typed = dynamic_cast<Editor*>(widget);
        EXPECT_NE(typed, nullptr) << feature;
        if (!typed)
            delete widget;
        return std::unique_ptr<Editor>(typed);
    }
};

TEST_F(PropertyEditorTest, OneEditorPerKind)
{
    open(kEditorCamera);
    EXPECT_TRUE(editor<PropIntControl>("Snapped"));
    EXPECT_TRUE(editor<PropFloatControl>("Precision2"));
    EXPECT_TRUE(editor<PropEnumerationControl>("Mode"));
    EXPECT_TRUE(editor<PropBooleanControl>("Flag"));
    EXPECT_TRUE(editor<PropStringControl>("Mail"));
    EXPECT_TRUE(editor<PropCommandControl>("UserSetSave"));
    EXPECT_TRUE(editor<PropCategoryControl>("Fixtures"));
    open(kFilterCamera);
    EXPECT_EQ(create_prop_control(map.find("DeviceScratchRegister"), nullptr, grabber.get()), nullptr);

    // The boolean-representation integer is a check box: ticked while the
    // value is not 0, writing 1 and 0, following the camera.
    open(kEditorCamera);
    auto toggle = editor<PropIntControl>("Switch");
    ASSERT_TRUE(toggle && toggle->check);
    EXPECT_FALSE(toggle->slider || toggle->spin || toggle->edit);
    EXPECT_TRUE(toggle->check->isChecked());
    EXPECT_TRUE(toggle->check->isEnabled());
    toggle->check->click();
    EXPECT_EQ(map.getValueInt64("Switch"), 0);
    toggle->check->click();
    EXPECT_EQ(map.getValueInt64("Switch"), 1);
    ASSERT_TRUE(vsxsim_camera_write(kEditorCamera, "Switch", "0"));
    deliver_notifications();
    EXPECT_FALSE(toggle->check->isChecked());
    toggle.reset();

    // In place of an editor that cannot be built the tree shows the value as read-only text.
    ASSERT_TRUE(vsxsim_camera_write(kEditorCamera, "Switch", "1"));
    std::unique_ptr<QWidget> text(create_read_only_text(map.find("Switch"), nullptr));
    auto* edit = text->findChild<QLineEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->text(), "True");
    EXPECT_TRUE(edit->isReadOnly());
    std::unique_ptr<QWidget> junk(create_read_only_text(map.find("Mode"), nullptr));
    EXPECT_EQ(junk->findChild<QLineEdit*>()->text(), "<Error>");
}

TEST_F(PropertyEditorTest, IntegerWidgetsByRepresentation)
{
    open(kEditorCamera);
    struct Case {
        const char* feature;
        bool slider;
        bool spin;
        QString text; // of the spin box or the line edit
    } const cases[] = {
        {"Snapped", true, true, "40 ms"},         {"Hexadecimal", false, true, "0xFF"},
        {"Address", false, false, "192.168.1.1"}, {"Hardware", false, false, "00:07:48:0a:0b:0c"},
        {"ReadOnlyCount", false, true, "7"},      {"Choice", true, true, "2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feature);
        auto control = editor<PropIntControl>(c.feature);
        ASSERT_TRUE(control);
        EXPECT_EQ(control->slider != nullptr, c.slider);
        EXPECT_EQ(control->spin != nullptr, c.spin);
        const QLineEdit* text = control->spin ? control->spin->lineEdit() : control->edit;
        EXPECT_EQ(text->text(), c.text);
        if (control->edit) {
            EXPECT_TRUE(control->edit->isReadOnly());
        }
    }
    auto readOnly = editor<PropIntControl>("ReadOnlyCount");
    EXPECT_TRUE(readOnly->spin->isReadOnly());
    EXPECT_EQ(readOnly->spin->buttonSymbols(), QAbstractSpinBox::NoButtons);
    EXPECT_EQ(editor<PropIntControl>("FullRange")->spin->minimumWidth(), 170);
    EXPECT_EQ(editor<PropIntControl>("Snapped")->spin->minimumWidth(), 120);

    // Stepping a valid-value set walks it; the camera takes each value.
    auto choice = editor<PropIntControl>("Choice");
    choice->spin->stepBy(1);
    EXPECT_EQ(map.getValueInt64("Choice"), 4);
    choice->spin->stepBy(1);
    EXPECT_EQ(map.getValueInt64("Choice"), 8);
    EXPECT_EQ(choice->spin->lineEdit()->text(), "8");
}

TEST_F(PropertyEditorTest, IntegerWritesSnapOntoTheIncrementGrid)
{
    open(kEditorCamera);
    auto control = editor<PropIntControl>("Snapped");
    struct Case {
        int64_t written;
        int64_t stored;
    } const cases[] = {{43, 50}, {47, 50}, {36, 30}, {55, 50}, {100, 100}, {130, 100}, {-20, 0}, {40, 40}};
    for (const Case& c : cases) {
        ASSERT_TRUE(map.setValueInt64("Snapped", 40));
        control->update_all();
        EXPECT_TRUE(control->set_value(c.written)) << c.written;
        EXPECT_EQ(map.getValueInt64("Snapped"), c.stored) << c.written;
        EXPECT_EQ(control->current, c.stored);
        EXPECT_EQ(control->spin->lineEdit()->text(), QString("%1 ms").arg(c.stored));
    }
}

TEST_F(PropertyEditorTest, IntegerSliderStepsByOneIncrementAndDragsLinearly)
{
    open(kEditorCamera);
    auto control = editor<PropIntControl>("Snapped");
    EXPECT_EQ(control->slider->minimum(), -1);
    EXPECT_EQ(control->slider->maximum(), 100000001);
    EXPECT_EQ(control->lastSliderPosition, 40000000);
    control->slider->setValue(40000001); // one arrow key step
    EXPECT_EQ(map.getValueInt64("Snapped"), 50);
    EXPECT_EQ(control->lastSliderPosition, 50000000);
    control->slider->setValue(49999999);
    EXPECT_EQ(map.getValueInt64("Snapped"), 40);
    control->slider->setValue(90000000); // a drag
    EXPECT_EQ(map.getValueInt64("Snapped"), 90);
    control->slider->setValue(100000001); // past the end
    EXPECT_EQ(map.getValueInt64("Snapped"), 100);
    EXPECT_EQ(control->slider->value(), 100000000);

    // Ranges the slider cannot map: position 0 and a disabled slider; the full
    // 64-bit range maps in double without overflow.
    auto equal = editor<PropIntControl>("EqualInteger");
    EXPECT_EQ(equal->lastSliderPosition, 0);
    EXPECT_FALSE(equal->slider->isEnabled());
    auto full = editor<PropIntControl>("FullRange");
    EXPECT_EQ(full->lastSliderPosition, 50000000);
    EXPECT_TRUE(full->slider->isEnabled());
    EXPECT_EQ(full->position_of(std::numeric_limits<int64_t>::max()), 100000000);
    EXPECT_EQ(full->position_of(std::numeric_limits<int64_t>::min()), 0);
    full->slider->setValue(100000000);
    EXPECT_EQ(map.getValueInt64("FullRange"), std::numeric_limits<int64_t>::max());
    full->slider->setValue(100000001);
    EXPECT_EQ(map.getValueInt64("FullRange"), std::numeric_limits<int64_t>::max());
}

TEST_F(PropertyEditorTest, FloatSliderMappingsAndWidgets)
{
    open(kEditorCamera);
    auto log = editor<PropFloatControl>("LogScale");
    ASSERT_TRUE(log->slider);
    EXPECT_NEAR(log->fromSlider(100), 1000.0, 1e-6);
    EXPECT_EQ(log->toSlider(1000.0), 100);
    EXPECT_EQ(log->fromSlider(0), 1.0);
    EXPECT_NEAR(log->fromSlider(200), 1e6, 1e-6);
    EXPECT_EQ(log->slider->value(), log->toSlider(10));
    log->slider->setValue(100);
    EXPECT_NEAR(map.findFloat("LogScale").value(), 1000.0, 1e-6);

    struct Case {
        const char* feature;
        bool slider;
        bool sliderEnabled;
    } const cases[] = {
        {"Precision2", true, true},   // linear
        {"EqualFloat", true, false},  // empty range
        {"LogFromZero", true, false}, // logarithmic from 0
        {"OtherCode", false, false},  // a representation the editor does not know: the spin box
        {"Gamma", false, false},      // pure number
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feature);
        auto control = editor<PropFloatControl>(c.feature);
        ASSERT_TRUE(control && control->spin);
        EXPECT_EQ(control->slider != nullptr, c.slider);
        if (control->slider) {
            EXPECT_EQ(control->slider->isEnabled(), c.sliderEnabled);
        }
        if (control->slider && !c.sliderEnabled) {
            EXPECT_EQ(control->toSlider(control->minimum + 1), 0);
            EXPECT_EQ(control->fromSlider(150), control->minimum);
        }
    }
    auto precision = editor<PropFloatControl>("Precision2");
    EXPECT_EQ(precision->spin->lineEdit()->text(), "346  ms"); // the editor's suffix is space and unit
    precision->spin->lineEdit()->setText("500.25 ms");
    QTest::keyClick(precision->spin, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(map.findFloat("Precision2").value(), 500.25);
    EXPECT_EQ(precision->spin->lineEdit()->text(), "500  ms");
}

TEST_F(PropertyEditorTest, ReadFailuresShowTheErrorState)
{
    open(kEditorCamera);
    auto integer = editor<PropIntControl>("Snapped");
    auto number = editor<PropFloatControl>("Precision2");
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_integer_get_max", "count": -1})"), 0);
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_float_get_value", "count": -1})"), 0);
    LogCapture log;
    integer->update_all();
    number->update_all();
    EXPECT_EQ(integer->spin->lineEdit()->text(), "<Error>");
    EXPECT_FALSE(integer->spin->isEnabled());
    EXPECT_EQ(number->spin->lineEdit()->text(), "<Error>");
    EXPECT_FALSE(number->slider->isEnabled());
    EXPECT_EQ(log.count(spdlog::level::err, "Error:"), 1);
    vsxsim_clear_faults();
    integer->update_all();
    EXPECT_EQ(integer->spin->lineEdit()->text(), "40 ms");
}

TEST_F(PropertyEditorTest, EnumerationBooleanStringAndCommand)
{
    open(kEditorCamera);
    auto mode = editor<PropEnumerationControl>("Mode");
    ASSERT_TRUE(mode->combo);
    EXPECT_EQ(mode->combo->count(), 2);
    EXPECT_EQ(mode->combo->currentText(), "Slow mode");
    mode->combo->setCurrentIndex(0);
    EXPECT_EQ(map.getValueString("Mode"), "Fast");

    auto flag = editor<PropBooleanControl>("Flag");
    EXPECT_TRUE(flag->check->isChecked());
    flag->check->click();
    EXPECT_EQ(map.getValueString("Flag"), "false");
    flag->check->click();
    EXPECT_EQ(map.getValueString("Flag"), "true");

    // A failed write reports false and the editor shows the camera's value again.
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_boolean_set_value", "count": -1})"), 0);
    {
        LogCapture log;
        flag->check->click();
        EXPECT_FALSE(flag->check->isChecked());
        EXPECT_FALSE(flag->set_value(false));
        QCoreApplication::processEvents();
        EXPECT_TRUE(flag->check->isChecked());
        EXPECT_EQ(log.count(spdlog::level::err, "Error Flag in set_value_unchecked()"), 2);
    }
    vsxsim_clear_faults();

    auto mail = editor<PropStringControl>("Mail");
    EXPECT_EQ(mail->edit->text(), "cam@lab@site");
    EXPECT_EQ(mail->edit->maxLength(), 32);
    mail->edit->setFocus();
    QTest::keyClicks(mail->edit, "x");
    QTest::keyClick(mail->edit, Qt::Key_Escape);
    EXPECT_EQ(mail->edit->text(), "cam@lab@site");
    mail->edit->selectAll();
    QTest::keyClicks(mail->edit, "me@here");
    QTest::keyClick(mail->edit, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(map.getValueString("Mail"), "me@here");

    auto save = editor<PropCommandControl>("UserSetSave");
    EXPECT_EQ(save->button->text(), "UserSetSave");
    EXPECT_TRUE(save->button->isEnabled());
    {
        LogCapture log;
        EXPECT_FALSE(save->set_value(true)); // the Default user set cannot be overwritten
        EXPECT_EQ(log.count(spdlog::level::err, "set_value_unchecked:"), 1);
    }
    ASSERT_TRUE(map.setValueString("UserSetSelector", "UserSet1"));
    EXPECT_TRUE(save->set_value(true));

    auto readOnly = editor<PropEnumerationControl>("ReadOnlyList");
    ASSERT_TRUE(readOnly->edit);
    EXPECT_EQ(readOnly->edit->text(), "B");
}

TEST_F(PropertyEditorTest, EditorsFollowTheCameraAndAnUnavailableEntryIsNoCurrentItem)
{
    open(kFilterCamera);
    auto source = editor<PropEnumerationControl>("TriggerSource");
    auto delay = editor<PropFloatControl>("TriggerDelay");
    EXPECT_EQ(source->combo->count(), 2); // Line2 is never available
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "TriggerSource", "Line2"));
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "TriggerDelay", "250"));
    deliver_notifications();
    EXPECT_EQ(source->combo->currentIndex(), -1);
    EXPECT_EQ(delay->spin->value, 250);
    EXPECT_EQ(delay->spin->lineEdit()->text(), "250  us");
    ASSERT_TRUE(vsxsim_camera_write(kFilterCamera, "TriggerSource", "Line1"));
    deliver_notifications();
    EXPECT_EQ(source->combo->currentText(), "Line1");
}

// Editors come and go while the camera keeps changing their features on its
// notification thread: every notification ends with its editor, and no event
// reaches an editor that is gone (ThreadSanitizer watches this one).
TEST_F(PropertyEditorTest, NotificationsEndWithTheirEditorsWhileTheCameraChanges)
{
    open(kEditorCamera);
    const int64_t before = registration_count(kEditorCamera);
    std::atomic<bool> running{true};
    std::thread changer([&] {
        for (int i = 0; running.load(); ++i)
            vsxsim_camera_write(kEditorCamera, "Snapped", std::to_string(10 * (i % 10)).c_str());
    });
    for (int round = 0; round < 40; ++round) {
        std::vector<std::unique_ptr<QWidget>> editors;
        for (const char* feature : {"Snapped", "Precision2", "Mode", "Flag", "Mail"})
            editors.emplace_back(create_prop_control(map.find(feature), nullptr, grabber.get()));
        QCoreApplication::processEvents();
        editors.clear();
        QCoreApplication::processEvents();
    }
    running = false;
    changer.join();
    deliver_notifications();
    EXPECT_EQ(registration_count(kEditorCamera), before);
}

} // namespace
