// The feature model: identity, order, ranges and their dependencies, binning
// probes, look-up tables, user sets, texts and locks.
#include "SimFixture.h"

#include <algorithm>

using namespace simtest;

class Features : public SimTest {};

namespace {

// The program's probe of binning choices: every combination written and read back.
std::vector<std::pair<int64_t, int64_t>> probe_pairs(vsx_propmap* m, const char* hname, const char* vname)
{
    vsx_prop* h = nullptr;
    vsx_prop* v = nullptr;
    std::vector<std::pair<int64_t, int64_t>> out;
    if (!vsx_propmap_find_integer(m, hname, &h) || !vsx_propmap_find_integer(m, vname, &v))
        return out;
    auto values = [](vsx_prop* p) {
        size_t n = 0;
        vsx_prop_integer_get_valid_value_set(p, nullptr, &n);
        std::vector<int64_t> set(n);
        vsx_prop_integer_get_valid_value_set(p, set.data(), &n);
        return set;
    };
    for (int64_t hv : values(h)) {
        for (int64_t vv : values(v)) {
            if (!vsx_prop_integer_set_value(h, hv) || !vsx_prop_integer_set_value(v, vv))
                continue;
            int64_t rh = 0, rv = 0;
            vsx_prop_integer_get_value(h, &rh);
            vsx_prop_integer_get_value(v, &rv);
            if (rh == hv && rv == vv)
                out.emplace_back(hv, vv);
        }
    }
    vsx_prop_integer_set_value(h, 1);
    vsx_prop_integer_set_value(v, 1);
    vsx_prop_unref(h);
    vsx_prop_unref(v);
    return out;
}

// The program's size list: standard sizes inside the ranges and on the increments.
std::vector<std::pair<int, int>> sizes(vsx_propmap* m)
{
    static const std::pair<int, int> standard[] = {
        {160, 120},   {320, 240},   {640, 480},   {1024, 768},  {1032, 768},  {1280, 720},
        {1284, 720},  {1280, 960},  {1284, 960},  {1600, 1200}, {1608, 1200}, {1920, 1080},
        {2048, 1536}, {2052, 1536}, {2560, 1920}, {2568, 1440}, {2568, 1920}, {2592, 1944},
        {3444, 1440}, {3840, 2160}, {4000, 3000}, {4104, 2160}, {5424, 5360}, {7716, 5360}};
    vsx_prop *w = nullptr, *h = nullptr;
    vsx_propmap_find_integer(m, "Width", &w);
    vsx_propmap_find_integer(m, "Height", &h);
    int64_t wmin, wmax, winc, hmin, hmax, hinc;
    vsx_prop_integer_get_min(w, &wmin);
    vsx_prop_integer_get_max(w, &wmax);
    vsx_prop_integer_get_inc(w, &winc);
    vsx_prop_integer_get_min(h, &hmin);
    vsx_prop_integer_get_max(h, &hmax);
    vsx_prop_integer_get_inc(h, &hinc);
    vsx_prop_unref(w);
    vsx_prop_unref(h);
    std::vector<std::pair<int, int>> out;
    for (auto [sw, sh] : standard)
        if (sw >= wmin && sw <= wmax && sh >= hmin && sh <= hmax && sw % winc == 0 && sh % hinc == 0)
            out.emplace_back(sw, sh);
    return out;
}

} // namespace

TEST_F(Features, RepeatedLookUpsGiveTheSameHandleAndListsKeepTreeOrder)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Prop a = find(m.get(), "Gain");
    Prop b = find(m.get(), "Gain");
    EXPECT_EQ(a.get(), b.get());
    vsx_prop* wrong = nullptr;
    EXPECT_FALSE(vsx_propmap_find_integer(m.get(), "Gain", &wrong));
    EXPECT_EQ(last_error().code, VSX_ERROR_WRONG_KIND);
    EXPECT_EQ(last_error().message, "Feature 'Gain' is a Float, not an Integer");
    EXPECT_FALSE(vsx_propmap_find(m.get(), "NoSuchFeature", &wrong));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND);
    Prop root = find(m.get(), "Root");
    EXPECT_EQ(vsx_prop_get_type(root.get()), VSX_PROP_CATEGORY);

    vsx_proplist* l = nullptr;
    ASSERT_TRUE(vsx_propmap_get_all(m.get(), &l));
    List all(l);
    auto names = list_names(l);
    EXPECT_EQ(std::count(names.begin(), names.end(), "Root"), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), "DeviceScratchRegister"), 1);
    auto at = [&](const char* n) { return std::find(names.begin(), names.end(), n) - names.begin(); };
    EXPECT_LT(at("EventExposureStart"), at("EventExposureStartTimestamp"));
    EXPECT_LT(at("EventExposureStartTimestamp"), at("EventExposureStartFrameID"));
    // Every name is unique, and only the event data features name an event.
    for (const auto& n : names) {
        EXPECT_EQ(std::count(names.begin(), names.end(), n), 1) << n;
        for (const char* event : {"ExposureStart", "ExposureEnd", "FrameTriggerMissed", "Overtemperature"}) {
            if (n.find(event) != std::string::npos) {
                EXPECT_EQ(n.rfind(std::string("Event") + event, 0), 0u) << n;
            }
        }
    }
    // The empty category and the register-only category exist.
    Prop reserved = find(m.get(), "Reserved");
    vsx_proplist* children = nullptr;
    ASSERT_TRUE(vsx_prop_category_get_features(reserved.get(), &children));
    List owned_children(children);
    EXPECT_TRUE(list_names(children).empty());
}

TEST_F(Features, BinningProbesMatchTheProgramsEdgeCases)
{
    start("usb-mono16,gige-color,gige-unreachable");
    Grabber b = open("41000002");
    Map bm = device_map(b.get());
    auto binning = probe_pairs(bm.get(), "BinningHorizontal", "BinningVertical");
    EXPECT_EQ(binning.size(), 9u); // {1,2,4} x {1,2,4}
    auto decimation = probe_pairs(bm.get(), "DecimationHorizontal", "DecimationVertical");
    EXPECT_EQ(decimation, (std::vector<std::pair<int64_t, int64_t>>{{1, 1}, {1, 2}, {2, 1}, {2, 2}}));
    // Binning divides the sensor: WidthMax follows, and Width's maximum lies on its grid.
    set_int(bm.get(), "BinningHorizontal", 4);
    EXPECT_EQ(get_int(bm.get(), "WidthMax"), 648);
    EXPECT_EQ(get_int(bm.get(), "Width"), 640);
    set_int(bm.get(), "BinningHorizontal", 1);
    EXPECT_EQ(get_int(bm.get(), "WidthMax"), 2592);

    // D is not reachable; give it an address in the interface's subnet first.
    ASSERT_TRUE(vsxsim_set_ip("52000004", "192.0.2.78", "255.255.255.0", "192.0.2.1"));
    vsx_grabber* dg = nullptr;
    ASSERT_TRUE(vsx_grabber_create(&dg));
    Grabber dgrab(dg);
    ASSERT_TRUE(vsx_grabber_device_open(dg, devinfo("52000004").get())) << last_error().message;
    Map dm = device_map(dg);
    EXPECT_EQ(probe_pairs(dm.get(), "BinningHorizontal", "BinningVertical"),
              (std::vector<std::pair<int64_t, int64_t>>{{1, 1}, {2, 2}}));
}

TEST_F(Features, SizeListsAndOffsets)
{
    start("usb-mono16,gige-color,analog");
    Grabber b = open("41000002");
    Map bm = device_map(b.get());
    EXPECT_EQ(sizes(bm.get()), (std::vector<std::pair<int, int>>{{160, 120},
                                                                 {320, 240},
                                                                 {640, 480},
                                                                 {1024, 768},
                                                                 {1280, 720},
                                                                 {1280, 960},
                                                                 {1600, 1200},
                                                                 {1920, 1080},
                                                                 {2048, 1536},
                                                                 {2560, 1920},
                                                                 {2592, 1944}}));
    // A Width write that no longer fits beside OffsetX lowers OffsetX.
    set_int(bm.get(), "Width", 1024);
    set_int(bm.get(), "OffsetX", 1568);
    set_int(bm.get(), "Width", 2048);
    EXPECT_EQ(get_int(bm.get(), "OffsetX"), 544);
    vsx_prop* ox = nullptr;
    ASSERT_TRUE(vsx_propmap_find_integer(bm.get(), "OffsetX", &ox));
    Prop offset(ox);
    int64_t max = 0;
    ASSERT_TRUE(vsx_prop_integer_get_max(ox, &max));
    EXPECT_EQ(max, 544);
    EXPECT_FALSE(vsx_prop_integer_set_value(ox, 545));
    EXPECT_EQ(last_error().code, VSX_ERROR_OUT_OF_RANGE);

    Grabber c = open("52000003");
    Map cm = device_map(c.get());
    EXPECT_EQ(get_int(cm.get(), "Width"), 1440);
    EXPECT_EQ(get_int(cm.get(), "HeightMax"), 1080);
    // A full-height frame leaves no room for OffsetY.
    Grabber e = open("63000005");
    Map em = device_map(e.get());
    vsx_prop* oy = nullptr;
    ASSERT_TRUE(vsx_propmap_find_integer(em.get(), "OffsetY", &oy));
    Prop offset_y(oy);
    ASSERT_TRUE(vsx_prop_integer_get_max(oy, &max));
    EXPECT_EQ(max, 0);
    set_text(em.get(), "VideoNorm", "PAL_B");
    EXPECT_EQ(get_int(em.get(), "Width"), 720);
    set_int(em.get(), "Width", 768);
    set_int(em.get(), "Height", 576);
}

TEST_F(Features, LookUpTablesKeepTheirByteLayout)
{
    start("gige-color,usb-mono16");
    Grabber c = open("52000003");
    Map m = device_map(c.get());
    set_text(m.get(), "LUTSelector", "Red");
    vsx_prop* reg = nullptr;
    ASSERT_TRUE(vsx_propmap_find_register(m.get(), "LUTValueAll", &reg));
    Prop all(reg);
    int64_t size = 0;
    ASSERT_TRUE(vsx_prop_register_get_size(reg, &size));
    ASSERT_EQ(size, 512);
    std::vector<uint8_t> bytes(512, 0);
    bytes[6] = 0xBC; // value 700 at index 3, two bytes little-endian
    bytes[7] = 0x02;
    EXPECT_FALSE(vsx_prop_register_set_value(reg, bytes.data(), 256));
    EXPECT_EQ(last_error().message, "Wrong register size 256, expected 512");
    ASSERT_TRUE(vsx_prop_register_set_value(reg, bytes.data(), bytes.size()));
    set_int(m.get(), "LUTIndex", 3);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 700);
    set_int(m.get(), "LUTValue", 4095);
    std::vector<uint8_t> back(512);
    ASSERT_TRUE(vsx_prop_register_get_value(reg, back.data(), back.size()));
    EXPECT_EQ(back[6], 0xFF);
    EXPECT_EQ(back[7], 0x0F);
    // The other tables stay identity.
    set_text(m.get(), "LUTSelector", "Green");
    set_int(m.get(), "LUTIndex", 3);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 3 * 1023 / 511);

    Grabber b = open("41000002");
    Map bm = device_map(b.get());
    vsx_prop* breg = nullptr;
    ASSERT_TRUE(vsx_propmap_find_register(bm.get(), "LUTValueAll", &breg));
    Prop ball(breg);
    ASSERT_TRUE(vsx_prop_register_get_size(breg, &size));
    EXPECT_EQ(size, 8192);
    vsx_prop* none = nullptr;
    EXPECT_FALSE(vsx_propmap_find(bm.get(), "LUTSelector", &none));
}

// The tables of one camera differ in index count, value range and entry width;
// the index, value and register features follow the selected table.
TEST_F(Features, EachLookUpTableHasItsOwnRangesAndEntryWidth)
{
    start("gige-color");
    Grabber c = open("52000003");
    Map m = device_map(c.get());
    Prop index = find(m.get(), "LUTIndex");
    Prop value = find(m.get(), "LUTValue");
    vsx_prop* reg = nullptr;
    ASSERT_TRUE(vsx_propmap_find_register(m.get(), "LUTValueAll", &reg));
    Prop all(reg);
    struct Row {
        const char* table;
        int64_t index_max, value_max, size;
    };
    for (Row row :
         {Row{"Red", 255, 4095, 512}, Row{"Green", 511, 1023, 1024}, Row{"Blue", 1023, 255, 1024}}) {
        SCOPED_TRACE(row.table);
        set_text(m.get(), "LUTSelector", row.table);
        int64_t min = -1, max = -1, size = 0;
        ASSERT_TRUE(vsx_prop_integer_get_min(index.get(), &min));
        ASSERT_TRUE(vsx_prop_integer_get_max(index.get(), &max));
        EXPECT_EQ(min, 0);
        EXPECT_EQ(max, row.index_max);
        ASSERT_TRUE(vsx_prop_integer_get_max(value.get(), &max));
        EXPECT_EQ(max, row.value_max);
        ASSERT_TRUE(vsx_prop_register_get_size(reg, &size));
        EXPECT_EQ(size, row.size);
        // Identity at power-on: the last entry holds the largest value.
        set_int(m.get(), "LUTIndex", row.index_max);
        EXPECT_EQ(get_int(m.get(), "LUTValue"), row.value_max);
        EXPECT_FALSE(vsx_prop_integer_set_value(index.get(), row.index_max + 1));
        EXPECT_FALSE(vsx_prop_integer_set_value(value.get(), row.value_max + 1));
    }

    // Blue: one byte per entry, only the byte of each value.
    set_text(m.get(), "LUTSelector", "Blue");
    std::vector<uint8_t> bytes(1024, 0);
    bytes[1000] = 0xC8;
    ASSERT_TRUE(vsx_prop_register_set_value(reg, bytes.data(), bytes.size()));
    set_int(m.get(), "LUTIndex", 1000);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 200);
    set_int(m.get(), "LUTIndex", 999);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 0);
    // Green: two bytes per entry; a value above the table's largest is cut there.
    set_text(m.get(), "LUTSelector", "Green");
    std::vector<uint8_t> wide(1024, 0);
    wide[2 * 300] = 0xFF;
    wide[2 * 300 + 1] = 0xFF;
    ASSERT_TRUE(vsx_prop_register_set_value(reg, wide.data(), wide.size()));
    set_int(m.get(), "LUTIndex", 300);
    EXPECT_EQ(get_int(m.get(), "LUTValue"), 1023);
    EXPECT_FALSE(vsx_prop_register_set_value(reg, bytes.data(), 512));
    EXPECT_EQ(last_error().message, "Wrong register size 512, expected 1024");
    // Each table kept its own index.
    set_text(m.get(), "LUTSelector", "Blue");
    EXPECT_EQ(get_int(m.get(), "LUTIndex"), 999);
}

TEST_F(Features, ResetLoadsTheDefaultUserSetByPosition)
{
    start("usb-color");
    Grabber g = open("41000001");
    Map m = device_map(g.get());
    set_text(m.get(), "ExposureTime", "20000");
    set_text(m.get(), "UserSetSelector", "UserSet1");
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "UserSetSave"));
    set_text(m.get(), "ExposureTime", "5000");
    // The program writes the position of "Default" as integer value.
    vsx_prop* sel = nullptr;
    ASSERT_TRUE(vsx_propmap_find_enumeration(m.get(), "UserSetSelector", &sel));
    Prop selector(sel);
    ASSERT_TRUE(vsx_prop_enum_set_int_value(sel, 0));
    EXPECT_FALSE(vsx_propmap_execute_command(m.get(), "UserSetSave"));
    EXPECT_EQ(last_error().code, VSX_ERROR_ACCESS_DENIED);
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "UserSetLoad"));
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "10000");
    set_text(m.get(), "UserSetSelector", "UserSet1");
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "UserSetLoad"));
    EXPECT_EQ(get_text(m.get(), "ExposureTime"), "20000");
}

TEST_F(Features, TextFormsFollowTheRepresentation)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    EXPECT_EQ(get_text(m.get(), "GevCurrentIPAddress"), "192.0.2.50");
    EXPECT_EQ(get_int(m.get(), "GevCurrentIPAddress"), 0xC0000232);
    EXPECT_EQ(get_text(m.get(), "GevMACAddress"), "00:07:48:0a:0b:0c");
    EXPECT_EQ(get_text(m.get(), "DeviceFirmwareChecksum"), "0x5a17c0de");
    EXPECT_EQ(get_text(m.get(), "Gamma"), "1");
    EXPECT_EQ(get_text(m.get(), "ReverseX"), "false");
    set_text(m.get(), "ReverseX", "1");
    EXPECT_EQ(get_text(m.get(), "ReverseX"), "true");
    set_text(m.get(), "Gain", "2.5");
    EXPECT_EQ(get_text(m.get(), "Gain"), "2.5");
    EXPECT_EQ(get_text(m.get(), "PixelFormat"), "BayerGR8");
    EXPECT_EQ(get_int(m.get(), "PixelFormat"), 0x01080008);
    // Symbolic names of on/off entries equal their display names.
    vsx_prop* mode = nullptr;
    ASSERT_TRUE(vsx_propmap_find_enumeration(m.get(), "ExposureAuto", &mode));
    Prop owned(mode);
    vsx_proplist* l = nullptr;
    ASSERT_TRUE(vsx_prop_enum_get_entries(mode, &l));
    List entries(l);
    for (size_t i = 0; i < 3; ++i) {
        vsx_prop* e = nullptr;
        ASSERT_TRUE(vsx_proplist_at(l, i, &e));
        EXPECT_STREQ(vsx_prop_get_name(e), vsx_prop_get_display_name(e));
        EXPECT_EQ(vsx_prop_get_type(e), VSX_PROP_ENUMENTRY);
        vsx_prop_unref(e);
    }
    char buf[8];
    size_t size = sizeof buf;
    EXPECT_FALSE(vsx_propmap_get_value_string(m.get(), "TriggerSoftware", buf, &size));
    EXPECT_EQ(last_error().code, VSX_ERROR_WRONG_KIND);
    EXPECT_EQ(size, sizeof buf); // unchanged on a failure other than size
}

TEST_F(Features, AvailabilityLocksAndDeviceState)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    // TriggerSoftware is available only in trigger mode with the software source.
    EXPECT_FALSE(vsx_propmap_execute_command(m.get(), "TriggerSoftware"));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_AVAILABLE);
    EXPECT_FALSE(vsx_propmap_set_value_string(m.get(), "TriggerSource", "Line2"));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_AVAILABLE);
    EXPECT_FALSE(vsx_propmap_set_value_string(m.get(), "TriggerSource", "Line9"));
    EXPECT_EQ(last_error().code, VSX_ERROR_NOT_FOUND);
    set_text(m.get(), "ExposureAuto", "Continuous");
    Prop exposure = find(m.get(), "ExposureTime");
    EXPECT_TRUE(vsx_prop_is_locked(exposure.get()));
    EXPECT_FALSE(vsx_prop_float_set_value(exposure.get(), 5000.0));
    EXPECT_EQ(last_error().code, VSX_ERROR_ACCESS_DENIED);
    set_text(m.get(), "ExposureAuto", "Off");
    EXPECT_FALSE(vsx_prop_float_set_value(exposure.get(), 1e7));
    EXPECT_EQ(last_error().code, VSX_ERROR_OUT_OF_RANGE);

    // Stream locks while a stream is set up; TestPattern stays writable.
    Prop width = find(m.get(), "Width");
    EXPECT_TRUE(vsx_prop_is_likely_locked_by_stream(width.get()));
    EXPECT_FALSE(vsx_prop_is_likely_locked_by_stream(find(m.get(), "TestPattern").get()));
    {
        Listener listener;
        ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, false));
        EXPECT_TRUE(vsx_prop_is_locked(width.get()));
        EXPECT_FALSE(vsx_prop_integer_set_value(width.get(), 640));
        EXPECT_EQ(last_error().code, VSX_ERROR_ACCESS_DENIED);
        set_text(m.get(), "TestPattern", "GreyDiagonalRampMoving");
        ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    }
    EXPECT_FALSE(vsx_prop_is_locked(width.get()));

    // Closed: values fail with 11, metadata stays readable.
    ASSERT_TRUE(vsx_grabber_device_close(g.get()));
    int64_t v = 0;
    EXPECT_FALSE(vsx_prop_integer_get_value(width.get(), &v));
    EXPECT_EQ(last_error().code, VSX_ERROR_DEVICE_NOT_OPEN);
    EXPECT_STREQ(vsx_prop_get_name(width.get()), "Width");
    EXPECT_EQ(last_error().code, 0);
}

TEST_F(Features, ValueSetsAndIncrementsFollowTheirModes)
{
    start("gige-color");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    Prop set = find(m.get(), "DiagValidSet");
    size_t n = 0;
    ASSERT_TRUE(vsx_prop_float_get_valid_value_set(set.get(), nullptr, &n));
    EXPECT_EQ(n, 4u);
    std::vector<double> values(2);
    n = 2;
    EXPECT_FALSE(vsx_prop_float_get_valid_value_set(set.get(), values.data(), &n));
    EXPECT_EQ(last_error().code, VSX_ERROR_BUFFER_TOO_SMALL);
    EXPECT_EQ(n, 4u);
    values.resize(4);
    ASSERT_TRUE(vsx_prop_float_get_valid_value_set(set.get(), values.data(), &n));
    EXPECT_EQ(values, (std::vector<double>{0.5, 1.0, 2.0, 4.0}));
    double inc = 0;
    ASSERT_TRUE(vsx_prop_float_get_inc(set.get(), &inc));
    EXPECT_EQ(inc, 0.5);
    EXPECT_FALSE(vsx_prop_float_set_value(set.get(), 3.0));
    Prop gain = find(m.get(), "Gain");
    EXPECT_EQ(vsx_prop_float_get_inc_mode(gain.get()), 2);
    ASSERT_TRUE(vsx_prop_float_get_inc(gain.get(), &inc));
    EXPECT_EQ(inc, 0.0);
    ASSERT_TRUE(vsx_prop_float_get_valid_value_set(gain.get(), nullptr, &n));
    EXPECT_EQ(n, 0u);
    Prop ratio = find(m.get(), "BalanceRatio");
    ASSERT_TRUE(vsx_prop_float_set_value(ratio.get(), 1.234));
    double v = 0;
    ASSERT_TRUE(vsx_prop_float_get_value(ratio.get(), &v));
    EXPECT_DOUBLE_EQ(v, 1.23);
    EXPECT_EQ(vsx_prop_float_get_representation(find(m.get(), "Gamma").get()), 2);
    EXPECT_EQ(vsx_prop_float_get_display_notation(find(m.get(), "DiagScientific").get()), 2);
    EXPECT_EQ(vsx_prop_get_visibility(find(m.get(), "DiagInvisible").get()), 3);
}

TEST_F(Features, AutoFunctionsAndAutofocusRunOnTheCamera)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    // One-shot exposure: a few frames of adjustment, then back to "Off".
    set_text(m.get(), "ExposureAuto", "Once");
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    ASSERT_TRUE(vsxsim_step("52000003", 12));
    ASSERT_TRUE(listener.wait_frames(12));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(get_text(m.get(), "ExposureAuto"), "Off");
    EXPECT_NE(get_text(m.get(), "ExposureTime"), "10000");
    set_text(m.get(), "BalanceWhiteAuto", "Once");
    ASSERT_TRUE(vsxsim_step("52000003", 4));
    ASSERT_TRUE(listener.wait_frames(16));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(get_text(m.get(), "BalanceWhiteAuto"), "Off");
    set_text(m.get(), "BalanceRatioSelector", "Red");
    EXPECT_EQ(get_text(m.get(), "BalanceRatio"), "0.87");
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
    // Autofocus returns at once and steps Focus to the in-focus position.
    EXPECT_EQ(get_int(m.get(), "Focus"), 300);
    ASSERT_TRUE(vsx_propmap_execute_command(m.get(), "FocusAuto"));
    ASSERT_TRUE(vsxsim_flush(5000));
    EXPECT_EQ(get_int(m.get(), "Focus"), 612);
    EXPECT_FALSE(vsx_prop_is_locked(find(m.get(), "AutoFocusROILeft").get()));
}

TEST_F(Features, NestedAndEmptyCategoriesAndChunkSwitches)
{
    start("gige-color", "manual");
    Grabber g = open("52000003");
    Map m = device_map(g.get());
    auto children = [&](const char* category) {
        vsx_proplist* list = nullptr;
        if (!vsx_prop_category_get_features(find(m.get(), category).get(), &list))
            return std::vector<std::string>{"<failed>"};
        List owned(list);
        return list_names(list);
    };
    // A category inside a category, and one whose only child is an empty category.
    const auto diagnostics = children("Diagnostics");
    EXPECT_NE(std::find(diagnostics.begin(), diagnostics.end(), "SensorDiagnostics"), diagnostics.end());
    EXPECT_EQ(children("SensorDiagnostics"),
              (std::vector<std::string>{"SensorDefectPixelCount", "SensorDefectCorrection"}));
    EXPECT_EQ(children("ReservedBanks"), std::vector<std::string>{"ReservedBank0"});
    EXPECT_TRUE(children("ReservedBank0").empty());
    // The chunk switches are not locked by a running stream.
    EXPECT_EQ(children("ChunkDataControl"),
              (std::vector<std::string>{"ChunkModeActive", "ChunkSelector", "ChunkEnable"}));
    Listener listener;
    ASSERT_TRUE(vsx_grabber_stream_setup(g.get(), listener.sink(), nullptr, true));
    for (const char* name : {"ChunkModeActive", "ChunkEnable"}) {
        Prop chunk = find(m.get(), name);
        EXPECT_FALSE(vsx_prop_is_likely_locked_by_stream(chunk.get())) << name;
        EXPECT_TRUE(vsx_prop_boolean_set_value(chunk.get(), true)) << name;
        EXPECT_STRNE(vsx_prop_get_description(chunk.get()), "") << name;
    }
    ASSERT_TRUE(vsx_grabber_stream_stop(g.get()));
}
