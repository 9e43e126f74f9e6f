// The feature item list of an open camera: items, elements and wrappers in
// walk order, the one-push and white-balance rows, failed reads of the
// camera, and the device controller's cache of the list.

#include "PanelCameras.h"
#include "panels/PropertyExposureImpl.h"
#include "panels/PropertyWhiteBalanceRange.h"

#include <atomic>

using namespace quorel::test;
using namespace VSXUtil;

namespace {

using Type = PropertyInterfaceType;

struct ElementShape {
    std::string name;
    std::string role;
    std::vector<Type> types;
    bool operator==(const ElementShape& o) const
    {
        return name == o.name && role == o.role && types == o.types;
    }
};

struct ItemShape {
    std::string group;
    std::string page;
    std::vector<ElementShape> elements;
    bool operator==(const ItemShape& o) const
    {
        return group == o.group && page == o.page && elements == o.elements;
    }
};

void PrintTo(const ItemShape& item, std::ostream* out)
{
    *out << item.group << " [" << item.page << "]:";
    for (const ElementShape& e : item.elements) {
        *out << " " << e.name << "/" << e.role << "(";
        for (Type t : e.types)
            *out << static_cast<int>(t);
        *out << ")";
    }
}

std::vector<ItemShape> shape_of(const PropertyItemList& items)
{
    std::vector<ItemShape> shapes;
    for (const auto& item : items) {
        EXPECT_EQ(item->name(), item->group());
        ItemShape shape{item->group(), item->page(), {}};
        for (const auto& weak : item->elements()) {
            const auto element = weak.lock();
            EXPECT_EQ(element->item(), item.get());
            ElementShape e{element->name(), element->role(), {}};
            for (const auto& wrapper : element->properties()) {
                e.types.push_back(wrapper.lock()->interfaceType());
                EXPECT_EQ(wrapper.lock()->owner(), element.get());
            }
            shape.elements.push_back(e);
        }
        shapes.push_back(shape);
    }
    return shapes;
}

std::shared_ptr<PropertyItem> item_of(const PropertyItemList& items, const std::string& group)
{
    for (const auto& item : items)
        if (item->group() == group)
            return item;
    return nullptr;
}

std::shared_ptr<PropertyElement> element_of(const PropertyItemList& items, const std::string& group,
                                            const std::string& role)
{
    const auto item = item_of(items, group);
    return item ? item->find_element(role).lock() : nullptr;
}

std::vector<std::string> groups_and_pages(const PropertyItemList& items)
{
    std::vector<std::string> out;
    for (const auto& item : items)
        out.push_back(item->group() + " @ " + item->page());
    return out;
}

class PanelItems : public PanelTest {};

} // namespace

TEST_F(PanelItems, GenicamCameraGivesItemsInWalkOrder)
{
    LogCapture log;
    const PropertyItemList items = init_properties(open(kUsbColor));
    const std::vector<ItemShape> expected = {
        {"Exposure",
         "Exposure",
         {{"ExposureTime", "Value", {Type::Float}},
          {"ExposureAuto", "Auto", {Type::Switch}},
          {"Push", "OnePush", {Type::Push}},
          {"ExposureAutoReference", "AutoReference", {Type::Range}}}},
        {"Gain",
         "Exposure",
         {{"Gain", "Value", {Type::Float}},
          {"GainAuto", "Auto", {Type::Switch}},
          {"Push", "OnePush", {Type::Push}}}},
        {"BlackLevel", "Exposure", {{"BlackLevel", "Value", {Type::Float}}}},
        {"Gamma", "Image", {{"Gamma", "Value", {Type::Float}}}},
        {"WhiteBalance",
         "Color",
         {{"BalanceWhiteAuto", "Auto", {Type::Switch}},
          {"Push", "OnePush", {Type::Push}},
          {"Red", "WhiteBalanceRed", {Type::Float}},
          {"Green", "WhiteBalanceGreen", {Type::Float}},
          {"Blue", "WhiteBalanceBlue", {Type::Float}}}},
    };
    EXPECT_EQ(shape_of(items), expected);

    const auto exposure = element_of(items, "Exposure", "Value");
    EXPECT_EQ(exposure->displayName(), "Exposure Time");
    EXPECT_EQ(exposure->description(), "Time the sensor collects light for one frame.");
    EXPECT_TRUE(std::dynamic_pointer_cast<PropertyExposureImpl>(exposure->properties()[0].lock()));
    const auto push = element_of(items, "Exposure", "OnePush");
    EXPECT_EQ(push->displayName(), "One Push");
    EXPECT_EQ(push->description(), element_of(items, "Exposure", "Auto")->description());
    const auto red = element_of(items, "WhiteBalance", "WhiteBalanceRed");
    EXPECT_EQ(red->description(), "White-balance ratio of the red channel.");
    EXPECT_FALSE(red->property_of_type(Type::Range).lock());
    EXPECT_TRUE(
        std::dynamic_pointer_cast<PropertyWhiteBalanceRange>(red->property_of_type(Type::Float).lock()));

    // Names the tables do not know are reported once; skipped ones never.
    EXPECT_EQ(log.count(spdlog::level::info, "Missing: TestPattern"), 1);
    EXPECT_EQ(log.count(spdlog::level::info, "Missing: Width"), 0);
    EXPECT_EQ(log.count(spdlog::level::info, "Missing: ExposureAutoLowerLimit"), 0);
    EXPECT_EQ(log.count(spdlog::level::info, "Missing: BalanceRatio"), 0);
    EXPECT_TRUE(log.texts(spdlog::level::err).empty());
}

TEST_F(PanelItems, UnderscoreCameraTakesPagesFromItsCategories)
{
    LogCapture log;
    const PropertyItemList items = init_properties(open(kAnalog));
    EXPECT_EQ(groups_and_pages(items),
              (std::vector<std::string>{"Exposure @ Exposure", "Gain @ Exposure", "Brightness @ Exposure",
                                        "Contrast @ Exposure", "Hue @ Color", "Saturation @ Color",
                                        "Sharpness @ Image", "Gamma @ Image", "Denoise @ Image",
                                        "WhiteBalance @ Color", "TriggerMode @ IO", "Strobe @ IO",
                                        "GPIO @ IO", "Focus @ Lens", "Zoom @ Lens", "Iris @ Lens"}));
    const auto exposure = item_of(items, "Exposure");
    std::vector<std::string> roles;
    for (const auto& element : exposure->elements())
        roles.push_back(element.lock()->role());
    EXPECT_EQ(roles, (std::vector<std::string>{"Value", "Auto", "AutoReference", "AutoMaxValue",
                                               "AutoMaxValueAuto"}));
    EXPECT_TRUE(std::dynamic_pointer_cast<PropertyExposureImpl>(
        element_of(items, "Exposure", "AutoMaxValue")->property_of_type(Type::Float).lock()));
    EXPECT_EQ(element_of(items, "Exposure", "Auto")->properties()[0].lock()->interfaceType(), Type::Switch);
    EXPECT_EQ(element_of(items, "WhiteBalance", "OnePush")->properties()[0].lock()->interfaceType(),
              Type::Push);

    // A white-balance item without "BalanceRatioSelector": no channel rows of
    // its own beyond the camera's features, and one error line.
    const auto whiteBalance = item_of(items, "WhiteBalance");
    EXPECT_EQ(whiteBalance->elements().size(), 5u);
    EXPECT_EQ(
        log.texts(spdlog::level::err),
        (std::vector<std::string>{"VSXUtil::init_properties - Feature 'BalanceRatioSelector' not found"}));
}

TEST_F(PanelItems, EntriesDecideBetweenSwitchListAndOnePush)
{
    const PropertyItemList items = init_properties(open(kChoices));
    struct Case {
        const char* group;
        const char* role;
        Type type;
        bool onePush; // a "One Push" element right after it
    };
    const Case cases[] = {
        {"Gain", "Auto", Type::Switch, true},        // displayed Off, Continuous, Once
        {"Iris", "Auto", Type::Switch, false},       // Off, On
        {"HDR", "Auto", Type::List, false},          // Once, Continuous: no Off
        {"IRCutFilter", "Value", Type::List, false}, // Auto, On: no Off
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.group) + "/" + c.role);
        const auto item = item_of(items, c.group);
        ASSERT_TRUE(item);
        const auto elements = item->elements();
        const auto at = std::find_if(elements.begin(), elements.end(),
                                     [&](const auto& e) { return e.lock()->role() == c.role; });
        ASSERT_NE(at, elements.end());
        const auto wrappers = at->lock()->properties();
        ASSERT_EQ(wrappers.size(), 1u);
        EXPECT_EQ(wrappers[0].lock()->interfaceType(), c.type);
        const bool pushNext = at + 1 != elements.end() && (at + 1)->lock()->role() == "OnePush";
        EXPECT_EQ(pushNext, c.onePush);
        EXPECT_EQ(item->find_element("OnePush").expired(), !c.onePush);
    }
    EXPECT_EQ(element_of(items, "Gain", "OnePush")->description(), "Automatic gain of the fixture.");

    // Two features of one group and role: one element, both wrappers, the first feature's texts.
    const auto brightness = element_of(items, "Brightness", "Value");
    EXPECT_EQ(item_of(items, "Brightness")->elements().size(), 1u);
    EXPECT_EQ(brightness->name(), "Brightness");
    EXPECT_EQ(brightness->displayName(), "Brightness (sensor)");
    EXPECT_EQ(brightness->description(), "Brightness applied on the sensor.");
    ASSERT_EQ(brightness->properties().size(), 2u);
    EXPECT_EQ(brightness->properties()[0].lock()->interfaceType(), Type::Range);
    EXPECT_EQ(brightness->properties()[1].lock()->interfaceType(), Type::Float);

    // An automatic reference in seconds would be wrong: a plain float.
    const auto reference =
        element_of(items, "Exposure", "AutoReference")->property_of_type(Type::Float).lock();
    ASSERT_TRUE(reference);
    EXPECT_FALSE(std::dynamic_pointer_cast<PropertyExposureImpl>(reference));

    // Groups without a page of their own sit on the page of their category.
    EXPECT_EQ(item_of(items, "Iris")->page(), "LensControl");
    EXPECT_EQ(item_of(items, "Zoom")->page(), "LensControl");
    EXPECT_EQ(item_of(items, "IRCutFilter")->page(), ""); // directly under "Root"
    EXPECT_EQ(item_of(items, "HDR")->page(), "Image");
}

TEST_F(PanelItems, FailedReadsSkipTheFeatureOrFallBack)
{
    struct Case {
        const char* fault;
        std::function<void(const PropertyItemList&)> check;
    };
    const Case cases[] = {
        {R"({"function": "vsx_prop_get_name", "feature": "Gain", "message": "No name"})",
         [](const PropertyItemList& items) {
             EXPECT_FALSE(element_of(items, "Gain", "Value"));
             EXPECT_TRUE(element_of(items, "Gain", "Auto"));
         }},
        {R"({"function": "vsx_prop_get_type", "feature": "Gain", "message": "No kind"})",
         [](const PropertyItemList& items) { EXPECT_FALSE(element_of(items, "Gain", "Value")); }},
        {R"({"function": "vsx_prop_get_display_name", "feature": "ExposureAuto", "message": "No display name"})",
         [](const PropertyItemList& items) {
             EXPECT_EQ(element_of(items, "Exposure", "Auto")->displayName(), "ExposureAuto");
         }},
        {R"({"function": "vsx_prop_get_description", "feature": "ExposureAuto", "message": "No description"})",
         [](const PropertyItemList& items) {
             EXPECT_EQ(element_of(items, "Exposure", "Auto")->description(), "");
             EXPECT_EQ(element_of(items, "Exposure", "OnePush")->description(), "");
         }},
        {R"({"function": "vsx_prop_category_get_features", "feature": "AnalogControl", "message": "No features"})",
         [](const PropertyItemList& items) {
             EXPECT_EQ(groups_and_pages(items), (std::vector<std::string>{"Exposure @ Exposure"}));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        vsxsim_clear_faults();
        open(kUsbColor);
        ASSERT_GT(vsxsim_inject_fault(c.fault), 0);
        LogCapture log;
        const PropertyItemList items = init_properties(grabber);
        ASSERT_EQ(log.texts(spdlog::level::err).size(), 1u);
        EXPECT_EQ(log.texts(spdlog::level::err)[0], nlohmann::json::parse(c.fault)["message"]);
        c.check(items);
    }
}

TEST_F(PanelItems, AMissingRootGivesAnEmptyList)
{
    const char* faults[] = {
        R"({"function": "vsx_propmap_find_category", "feature": "Root", "message": "No root"})",
        R"({"function": "vsx_prop_category_get_features", "feature": "Root", "message": "No root"})",
    };
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        vsxsim_clear_faults();
        open(kUsbColor);
        ASSERT_GT(vsxsim_inject_fault(fault), 0);
        LogCapture log;
        EXPECT_TRUE(init_properties(grabber).empty());
        EXPECT_EQ(log.texts(spdlog::level::err),
                  (std::vector<std::string>{"VSXUtil::init_properties - No root"}));
    }
    // No open device: an empty list and nothing to say.
    LogCapture log;
    EXPECT_TRUE(init_properties(std::make_shared<vsx::Grabber>()).empty());
    EXPECT_TRUE(init_properties(nullptr).empty());
    EXPECT_TRUE(log.lines().empty());
}

TEST_F(PanelItems, WhiteBalanceRowsSelectTheirChannel)
{
    const PropertyItemList items = init_properties(open(kUsbColor));
    auto channel = [&](const char* role) {
        return std::dynamic_pointer_cast<PropertyWhiteBalanceRange>(
            element_of(items, "WhiteBalance", role)->property_of_type(Type::Float).lock());
    };
    const auto red = channel("WhiteBalanceRed");
    const auto green = channel("WhiteBalanceGreen");
    EXPECT_DOUBLE_EQ(red->value(), 0.0); // nothing read before the first update
    red->update();
    EXPECT_DOUBLE_EQ(red->value(), 1.0);
    EXPECT_DOUBLE_EQ(red->min(), 0.25);
    EXPECT_DOUBLE_EQ(red->max(), 4.0);
    EXPECT_DOUBLE_EQ(red->increment(), 0.01);
    EXPECT_TRUE(red->valueSet().empty());

    red->set_value(1.5);
    EXPECT_EQ(value("BalanceRatioSelector"), "Red");
    EXPECT_EQ(value("BalanceRatio"), "1.5");
    green->update();
    EXPECT_DOUBLE_EQ(green->value(), 1.0);
    EXPECT_EQ(value("BalanceRatioSelector"), "Green");
    EXPECT_DOUBLE_EQ(red->value(), 1.5);
}

// Whatever fails while a channel reads, its group keeps following the camera.
TEST_F(PanelItems, WhiteBalanceGroupFollowsTheCameraAfterAFailedRead)
{
    const PropertyItemList items = init_properties(open(kUsbColor));
    const auto registered = [] { return sim_stats(kUsbColor)["registrations"]; };
    const nlohmann::json before = registered();
    ASSERT_EQ(before["BalanceRatio"], 3);
    ASSERT_EQ(before["BalanceWhiteAuto"], 2);
    const auto red = std::dynamic_pointer_cast<PropertyWhiteBalanceRange>(
        element_of(items, "WhiteBalance", "WhiteBalanceRed")->property_of_type(Type::Float).lock());
    red->update();
    const char* faults[] = {
        R"({"function": "vsx_prop_enum_set_value", "feature": "BalanceRatioSelector", "message": "Selector stuck"})",
        R"({"function": "vsx_prop_float_get_max", "feature": "BalanceRatio", "message": "Selector stuck"})",
    };
    for (const char* fault : faults) {
        SCOPED_TRACE(fault);
        ASSERT_GT(vsxsim_inject_fault(fault), 0);
        LogCapture log;
        red->update();
        EXPECT_EQ(log.texts(spdlog::level::err),
                  (std::vector<std::string>{"PropertyWhiteBalanceRange::update - Selector stuck"}));
        EXPECT_DOUBLE_EQ(red->max(), 4.0);
        EXPECT_EQ(registered(), before);
    }

    std::atomic<int> calls{0};
    const auto autoSwitch = element_of(items, "WhiteBalance", "Auto")->properties()[0].lock();
    autoSwitch->setChangeCallback([&](PropertyInterfaceBase*) { ++calls; });
    ASSERT_TRUE(vsxsim_camera_write(kUsbColor, "BalanceWhiteAuto", "Continuous"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(calls.load(), 1);
    autoSwitch->setChangeCallback({});
}

TEST_F(PanelItems, ControllerBuildsTheListOncePerOpening)
{
    int builds = 0;
    app::VideoDeviceController::setPropertyItemsBuilder([&](const std::shared_ptr<vsx::Grabber>& g) {
        ++builds;
        return init_properties(g);
    });
    auto controller = std::make_shared<app::VideoDeviceController>();
    controller->openGrabber(open_grabber(kUsbColor));
    const auto first = controller->getPropertyItems();
    const auto second = controller->getPropertyItems();
    EXPECT_EQ(builds, 1);
    ASSERT_EQ(first.size(), 5u);
    ASSERT_EQ(second.size(), first.size());
    for (size_t i = 0; i < first.size(); ++i)
        EXPECT_EQ(first[i].lock(), second[i].lock());

    controller->closeDevice();
    EXPECT_TRUE(first[0].expired());
    EXPECT_TRUE(sim_stats(kUsbColor)["registrations"].empty());

    controller->openGrabber(open_grabber(kUsbColor));
    EXPECT_EQ(controller->getPropertyItems().size(), 5u);
    EXPECT_EQ(builds, 2);
    controller->closeDevice();
}

// A wrapper whose notification the camera refuses ends the build; nothing of
// it stays registered or cached, and the next call builds the whole list.
TEST_F(PanelItems, AWrapperThatCannotBeMadeLeavesNoHalfBuiltList)
{
    auto controller = std::make_shared<app::VideoDeviceController>();
    controller->openGrabber(open_grabber(kUsbColor));
    ASSERT_GT(vsxsim_inject_fault(R"({"function": "vsx_prop_event_add_notification", "feature": "Gamma",
                                      "message": "No more registrations"})"),
              0);
    try {
        controller->getPropertyItems();
        ADD_FAILURE() << "no exception";
    } catch (const vsx::VSXException& e) {
        EXPECT_STREQ(e.what(), "No more registrations");
    }
    EXPECT_TRUE(sim_stats(kUsbColor)["registrations"].empty());
    const auto items = controller->getPropertyItems();
    EXPECT_EQ(items.size(), 5u);
    EXPECT_EQ(sim_stats(kUsbColor)["registrations"]["Gamma"], 1);
    controller->closeDevice();
}
