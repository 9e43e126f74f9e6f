// The feature wrappers against simulated cameras of both naming styles: cached
// values, units, increments, what a write sends and when it sends nothing,
// and how refusals of the camera are handled.

#include "PanelCameras.h"
#include "panels/PropertyExposureImpl.h"
#include "panels/PropertyListImpl.h"
#include "panels/PropertyOnOffSwitch.h"
#include "panels/PropertyOnceButton.h"
#include "panels/PropertyPushImpl.h"
#include "panels/PropertyRangeImpl.h"
#include "panels/PropertyStringImpl.h"
#include "panels/PropertySwitchImpl.h"

#include <cmath>

using namespace quorel::test;
using namespace VSXUtil;

namespace {

class PanelWrappers : public PanelTest {
protected:
    template <typename Wrapper> std::shared_ptr<Wrapper> wrap(const std::string& feature)
    {
        return std::make_shared<Wrapper>(nullptr, typed<Wrapper>(map.find(feature)));
    }

private:
    // The feature view the wrapper's constructor takes.
    template <typename Wrapper> static auto typed(const vsx::Property& feature)
    {
        using Feature = std::decay_t<decltype(std::declval<Wrapper&>().feature())>;
        return Feature(feature.handle());
    }
};

} // namespace

TEST_F(PanelWrappers, ExposureShowsSecondsAndWritesMicroseconds)
{
    const std::pair<const char*, const char*> cameras[] = {{kExposureGenicam, "ExposureTime"},
                                                           {kExposureUnderscore, "Exposure"}};
    for (const auto& [serial, feature] : cameras) {
        SCOPED_TRACE(feature);
        open(serial);
        const auto exposure = wrap<PropertyExposureImpl>(feature);
        EXPECT_DOUBLE_EQ(exposure->min(), 0.0001);
        EXPECT_DOUBLE_EQ(exposure->max(), 1.0);
        EXPECT_DOUBLE_EQ(exposure->value(), 0.005);
        EXPECT_EQ(exposure->unit(), "Sec");
        EXPECT_EQ(exposure->representation(), 1);
        // No fixed increment: a hundredth of the range in seconds.
        EXPECT_DOUBLE_EQ(exposure->increment(), (1.0 - 0.0001) / 100.0);

        const uint64_t before = queued(serial);
        exposure->set_value(0.0050000005); // within a microsecond
        EXPECT_EQ(queued(serial), before);
        EXPECT_EQ(value(feature), "5000");

        exposure->set_value(0.01);
        EXPECT_EQ(queued(serial), before + 1);
        EXPECT_EQ(value(feature), "10000");
        EXPECT_DOUBLE_EQ(exposure->value(), 0.01);
    }
}

// A 1 µs step of the camera is a 1 µs step of the row, not one second.
TEST_F(PanelWrappers, ExposureIncrementOfTheCameraIsConvertedToSeconds)
{
    open(kAnalog);
    const auto exposure = wrap<PropertyExposureImpl>("Exposure");
    EXPECT_DOUBLE_EQ(exposure->increment(), 1e-6);
    EXPECT_DOUBLE_EQ(exposure->value(), 0.01);
    EXPECT_DOUBLE_EQ(exposure->max(), 0.04);
}

TEST_F(PanelWrappers, IncrementsAndValidValuesFollowTheIncrementMode)
{
    struct Case {
        const char* serial;
        const char* feature;
        int64_t increment;
        std::vector<int64_t> valid;
    };
    const Case integers[] = {
        {kUsbColor, "Width", 8, {}},                   // fixed increment
        {kUsbMono, "BinningHorizontal", 1, {1, 2, 4}}, // a set of valid values
    };
    for (const Case& c : integers) {
        SCOPED_TRACE(c.feature);
        open(c.serial);
        const auto range = wrap<PropertyRangeImpl>(c.feature);
        EXPECT_EQ(range->increment(), c.increment);
        EXPECT_EQ(range->valueSet(), c.valid);
    }

    open(kChoices);
    const auto contrast = wrap<PropertyFloatImpl>("Contrast"); // 0 to 50, no fixed increment
    EXPECT_DOUBLE_EQ(contrast->increment(), 0.5);
    EXPECT_TRUE(contrast->valueSet().empty());
    open(kGigeColor);
    const auto ratio = wrap<PropertyFloatImpl>("DiagValidSet");
    EXPECT_EQ(ratio->valueSet(), (std::vector<double>{0.5, 1.0, 2.0, 4.0}));
}

// The camera keeps single precision: a value equal to the cached one in
// single precision is not sent again, the full double is.
TEST_F(PanelWrappers, FloatComparesWithTheCachedValueInSinglePrecision)
{
    open(kChoices);
    const auto brightness = wrap<PropertyFloatImpl>("SoftwareBrightness");
    ASSERT_DOUBLE_EQ(brightness->value(), 0.1);
    const uint64_t before = queued(kChoices);
    brightness->set_value(0.1);
    EXPECT_EQ(queued(kChoices), before + 1);
    brightness->set_value(static_cast<double>(0.1f));
    EXPECT_EQ(queued(kChoices), before + 1);
    brightness->set_value(0.25);
    EXPECT_EQ(queued(kChoices), before + 2);
    EXPECT_EQ(value("SoftwareBrightness"), "0.25");
}

TEST_F(PanelWrappers, UnavailableAndReadOnlyFeaturesAreNeitherWrittenNorLogged)
{
    open(kLockedOut);
    LogCapture log;
    const uint64_t before = queued(kLockedOut);
    // One wrapper of every kind on the fixture's features "<prefix><Kind>".
    struct Wrappers {
        std::shared_ptr<PropertyRangeImpl> integer;
        std::shared_ptr<PropertyFloatImpl> real;
        std::shared_ptr<PropertyListImpl> list;
        std::shared_ptr<PropertySwitchImpl> boolean;
        std::shared_ptr<PropertyStringImpl> text;
        std::shared_ptr<PropertyPushImpl> command;
    };
    auto wrapAndWrite = [&](const std::string& prefix) {
        Wrappers w{wrap<PropertyRangeImpl>(prefix + "Integer"), wrap<PropertyFloatImpl>(prefix + "Float"),
                   wrap<PropertyListImpl>(prefix + "List"),     wrap<PropertySwitchImpl>(prefix + "Boolean"),
                   wrap<PropertyStringImpl>(prefix + "String"), wrap<PropertyPushImpl>(prefix + "Command")};
        w.integer->set_value(8);
        w.real->set_value(8.5);
        w.list->set_value("A");
        w.boolean->set_value(!w.boolean->value());
        w.text->set_value("changed");
        w.command->set_value();
        for (PropertyInterfaceBase* wrapper : std::initializer_list<PropertyInterfaceBase*>{
                 w.integer.get(), w.real.get(), w.list.get(), w.boolean.get(), w.text.get()})
            wrapper->update();
        return w;
    };

    // Unavailable: the caches keep what they started with.
    const Wrappers unavailable = wrapAndWrite("Unavailable");
    EXPECT_EQ(unavailable.integer->value(), 0);
    EXPECT_EQ(unavailable.integer->increment(), 1);
    EXPECT_DOUBLE_EQ(unavailable.real->value(), 0.0);
    EXPECT_DOUBLE_EQ(unavailable.real->increment(), 1.0);
    EXPECT_EQ(unavailable.list->value(), "");
    EXPECT_FALSE(unavailable.boolean->value());
    EXPECT_EQ(unavailable.text->value(), "");

    // Read-only: the caches show the camera's values.
    const Wrappers readOnly = wrapAndWrite("ReadOnly");
    EXPECT_EQ(readOnly.integer->value(), 7);
    EXPECT_DOUBLE_EQ(readOnly.real->value(), 7.5);
    EXPECT_EQ(readOnly.list->value(), "B");
    EXPECT_TRUE(readOnly.boolean->value());
    EXPECT_EQ(readOnly.text->value(), "fixed");

    EXPECT_EQ(queued(kLockedOut), before);
    EXPECT_TRUE(log.lines().empty()) << log.lines().front().text;
}

TEST_F(PanelWrappers, ARefusedWriteLogsTheCameraMessageAndKeepsTheCache)
{
    open(kAnalog);
    LogCapture log;
    const auto gain = wrap<PropertyRangeImpl>("Gain"); // 0 to 480
    gain->set_value(1000);
    EXPECT_EQ(log.texts(spdlog::level::err),
              (std::vector<std::string>{"Value 1000 out of range [0, 480] for 'Gain'"}));
    EXPECT_EQ(gain->value(), 0);
    gain->set_value(10);
    EXPECT_EQ(gain->value(), 10);
    EXPECT_EQ(value("Gain"), "10");

    // A list keeps the camera's choice, so that choosing the entry again writes again.
    open(kGigeColor);
    log.clear();
    const auto source = wrap<PropertyListImpl>("TriggerSource");
    ASSERT_EQ(source->entries(), (std::vector<std::string>{"Software", "Line1", "Line2"}));
    source->set_value("Line2"); // an entry the camera does not offer now
    EXPECT_EQ(source->value(), "Software");
    source->set_value("Line2");
    EXPECT_EQ(log.count(spdlog::level::err, "Entry 'Line2' of 'TriggerSource' is not available"), 2);
    source->set_value("Line3"); // no entry shows that name: nothing to write
    EXPECT_EQ(log.lines().size(), 2u);
    source->set_value("Line1");
    EXPECT_EQ(source->value(), "Line1");
    EXPECT_EQ(value("TriggerSource"), "Line1");

    // An on/off switch likewise.
    open(kUsbColor);
    log.clear();
    const auto exposureAuto = wrap<PropertyOnOffSwitch>("ExposureAuto");
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_enum_set_value", "feature": "ExposureAuto",
                                      "message": "Bus reset"})"),
              0);
    exposureAuto->set_value(true);
    EXPECT_EQ(log.texts(spdlog::level::err), (std::vector<std::string>{"Bus reset"}));
    EXPECT_FALSE(exposureAuto->value());
    EXPECT_EQ(value("ExposureAuto"), "Off");
    exposureAuto->set_value(true);
    EXPECT_TRUE(exposureAuto->value());
    EXPECT_EQ(value("ExposureAuto"), "Continuous");

    // A text longer than the camera keeps.
    log.clear();
    const auto userId = wrap<PropertyStringImpl>("DeviceUserID");
    EXPECT_EQ(userId->maxLength(), 64);
    userId->set_value(std::string(65, 'x'));
    EXPECT_EQ(log.count(spdlog::level::err, "longer than the 64 bytes"), 1);
    EXPECT_EQ(userId->value(), "");
    userId->set_value("left");
    EXPECT_EQ(userId->value(), "left");
    EXPECT_EQ(value("DeviceUserID"), "left");
}

TEST_F(PanelWrappers, OnOffSwitchWritesTheEntryTheCameraOffers)
{
    struct Case {
        const char* serial;
        const char* feature;
        const char* on; // symbolic names the camera receives
        const char* off;
    };
    const Case cases[] = {
        {kUsbColor, "ExposureAuto", "Continuous", "Off"}, // Off, Once, Continuous
        {kGigeColor, "TriggerMode", "On", "Off"},         // Off, On
        {kChoices, "GainAuto", "Repeat", "Manual"},       // display names decide
        {kChoices, "IrisAuto", "On", "Off"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.feature);
        open(c.serial);
        const auto onOff = wrap<PropertyOnOffSwitch>(c.feature);
        EXPECT_FALSE(onOff->value());
        onOff->set_value(true);
        EXPECT_EQ(value(c.feature), c.on);
        onOff->set_value(false);
        EXPECT_EQ(value(c.feature), c.off);
        ASSERT_TRUE(vsxsim_camera_write(c.serial, c.feature, c.on));
        onOff->update();
        EXPECT_TRUE(onOff->value());
    }

    // "Once" reads as off; the once button selects "Off" and then "Once".
    open(kUsbColor);
    const auto exposureAuto = wrap<PropertyOnOffSwitch>("ExposureAuto");
    const auto once = wrap<PropertyOnceButton>("ExposureAuto");
    exposureAuto->set_value(true);
    const uint64_t before = queued(kUsbColor);
    once->set_value();
    EXPECT_EQ(queued(kUsbColor), before + 2 * 2); // two writes, two registrations
    EXPECT_EQ(value("ExposureAuto"), "Once");
    exposureAuto->update();
    EXPECT_FALSE(exposureAuto->value());
}

TEST_F(PanelWrappers, ListsChooseByDisplayNameAndCommandsRun)
{
    open(kAnalog);
    const auto norm = wrap<PropertyListImpl>("VideoNorm");
    EXPECT_EQ(norm->entries(), (std::vector<std::string>{"NTSC M", "PAL B"}));
    EXPECT_EQ(norm->value(), "NTSC M");
    norm->set_value("PAL B");
    EXPECT_EQ(value("VideoNorm"), "PAL_B");
    EXPECT_EQ(norm->value(), "PAL B");

    open(kGigeColor);
    LogCapture log;
    const auto trigger = wrap<PropertyPushImpl>("TriggerSoftware");
    trigger->set_value(); // unavailable while the trigger mode is off
    ASSERT_TRUE(vsxsim_camera_write(kGigeColor, "TriggerMode", "On"));
    const uint64_t before = queued(kGigeColor);
    trigger->set_value();
    EXPECT_EQ(queued(kGigeColor), before + 1);
    EXPECT_TRUE(log.lines().empty());

    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_command_execute", "message": "Busy"})"), 0);
    trigger->set_value();
    EXPECT_EQ(log.texts(spdlog::level::err), (std::vector<std::string>{"Busy"}));
}

// The camera library refuses to end the registration: the wrapper still
// goes, says so, and its callback is never called again.
TEST_F(PanelWrappers, DestructionCompletesWhenTheNotificationCannotBeRemoved)
{
    open(kUsbColor);
    auto calls = std::make_shared<std::atomic<int>>(0);
    auto gain = wrap<PropertyFloatImpl>("Gain");
    gain->setChangeCallback([calls](PropertyInterfaceBase*) { ++*calls; });
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_event_remove_notification", "message": "Gone"})"),
              0);
    {
        LogCapture log;
        gain.reset();
        EXPECT_EQ(log.texts(spdlog::level::err), (std::vector<std::string>{"~PropertyInterface(): Gone"}));
    }
    ASSERT_TRUE(vsxsim_camera_write(kUsbColor, "Gain", "6"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(calls->load(), 0);
}
