#include "CameraFeatures.h"

#include "AddedFeatures.h"
#include "Camera.h"
#include "FeatureBuilder.h"
#include "FeatureDescriptions.h"
#include "Interface.h"
#include "Library.h"
#include "PixelFormat.h"
#include "PropertyMap.h"
#include "TextUtil.h"

#include <algorithm>

namespace vsxsim {

namespace {

using Entry = FeatureBuilder::Entry;

const char* kEventNames[3] = {"ExposureStart", "ExposureEnd", "FrameTriggerMissed"};

void stream_lock(Feature* f)
{
    f->stream_locked = true;
    f->likely_locked_by_stream = true;
}

std::vector<Entry> auto_entries()
{
    return {{"Off", 0, ""}, {"Once", 1, ""}, {"Continuous", 2, ""}};
}

bool selected_is(const Feature* e, const char* name)
{
    if (!e)
        return false;
    const auto& slot = e->slot();
    return slot.i >= 0 && static_cast<size_t>(slot.i) < e->entries.size() &&
           e->entries[static_cast<size_t>(slot.i)]->name == name;
}

} // namespace

void CameraFeatures::build(Camera& cam)
{
    const CameraSetup& setup = cam.setup_;
    const bool genicam = setup.naming == Naming::GenICam;
    auto* map = new PropertyMap(&cam, "device");
    cam.device_map_ = map;
    FeatureBuilder b(*map);
    Camera* c = &cam;
    auto text_of = [](const std::string& s) { return s; };

    // ------------------------------------------------------------ device control
    Feature* dev = b.category(nullptr, "DeviceControl");
    vendor = b.string(dev, "DeviceVendorName", setup.vendor, 64);
    model = b.string(dev, "DeviceModelName", setup.model, 64);
    serial = b.string(dev, "DeviceSerialNumber", setup.serial, 64);
    version = b.string(dev, "DeviceVersion", text_of(setup.version), 64, 1);
    for (Feature* f : {vendor, model, serial, version})
        f->read_only = true;
    vendor->display_name = "Vendor Name";
    model->display_name = "Model Name";
    serial->display_name = "Serial Number";
    version->display_name = "Device Version";
    user_id = b.string(dev, "DeviceUserID", setup.user_id, 64);
    user_id->display_name = "Device User ID";
    user_id->tooltip = "A name the user gives the camera";
    user_id->after_write = [c, this] {
        std::string v = user_id->slot().s;
        c->update_info([&](CameraInfo& i) { i.user_id = v; });
        Library::instance().device_list_changed();
    };

    // ------------------------------------------------------------ image format
    Feature* fmt = b.category(nullptr, "ImageFormatControl");
    fmt->display_name = "Image Format Control";
    if (!setup.analog) {
        sensor_width = b.integer(fmt, "SensorWidth", 1, setup.sensor_width, 1, setup.sensor_width, 1);
        sensor_height = b.integer(fmt, "SensorHeight", 1, setup.sensor_height, 1, setup.sensor_height, 1);
        width_max = b.integer(fmt, "WidthMax", 1, setup.sensor_width, 1, setup.sensor_width, 1);
        height_max = b.integer(fmt, "HeightMax", 1, setup.sensor_height, 1, setup.sensor_height, 1);
        for (Feature* f : {sensor_width, sensor_height, width_max, height_max}) {
            f->read_only = true;
            f->persistent = false;
        }
        sensor_width->unit = sensor_height->unit = width_max->unit = height_max->unit = "px";
    }
    width = b.integer(fmt, "Width", setup.width_min, setup.sensor_width, setup.width_inc, setup.sensor_width);
    height = b.integer(fmt, "Height", setup.height_min, setup.sensor_height, setup.height_inc,
                       setup.sensor_height);
    stream_lock(width);
    stream_lock(height);
    width->unit = height->unit = "px";
    offset_x = b.integer(fmt, "OffsetX", 0, 0, setup.width_inc, 0, 1);
    offset_y = b.integer(fmt, "OffsetY", 0, 0, setup.height_inc, 0, 1);
    offset_x->unit = offset_y->unit = "px";

    std::vector<Entry> formats;
    for (const auto& name : setup.pixel_formats) {
        const PixelFormatInfo* info = find_pixel_format(name);
        if (info)
            formats.push_back({info->name, static_cast<int64_t>(info->code), ""});
    }
    size_t default_format = 0;
    for (size_t i = 0; i < formats.size(); ++i)
        if (formats[i].name == setup.default_format)
            default_format = i;
    pixel_format = b.enumeration(fmt, "PixelFormat", formats, default_format);
    pixel_format->display_name = "Pixel Format";
    stream_lock(pixel_format);

    if (setup.binning == BinningStyle::Independent) {
        bin_h = b.integer(fmt, "BinningHorizontal", 1, 4, 1, 1, 1);
        bin_v = b.integer(fmt, "BinningVertical", 1, 4, 1, 1, 1);
        dec_h = b.integer(fmt, "DecimationHorizontal", 1, 2, 1, 1, 1);
        dec_v = b.integer(fmt, "DecimationVertical", 1, 2, 1, 1, 1);
        bin_h->ivalid = bin_v->ivalid = {1, 2, 4};
        dec_h->ivalid = dec_v->ivalid = {1, 2};
        for (Feature* f : {bin_h, bin_v, dec_h, dec_v}) {
            f->inc_mode = 1;
            stream_lock(f);
        }
    } else if (setup.binning == BinningStyle::Linked) {
        bin_h = b.integer(fmt, "BinningHorizontal", 1, 2, 1, 1, 1);
        bin_v = b.integer(fmt, "BinningVertical", 1, 2, 1, 1, 1);
        bin_h->ivalid = bin_v->ivalid = {1, 2};
        for (Feature* f : {bin_h, bin_v}) {
            f->inc_mode = 1;
            stream_lock(f);
        }
        // This sensor bins only square: writing one factor sets the other.
        bin_h->after_write = [c, this] { c->store_int_locked(*bin_v, bin_h->slot().i); };
        bin_v->after_write = [c, this] { c->store_int_locked(*bin_h, bin_v->slot().i); };
    } else if (setup.binning == BinningStyle::Enumeration) {
        binning = b.enumeration(fmt, "Binning", {{"Off", 1, ""}, {"2x2", 2, ""}}, 0, 1);
        stream_lock(binning);
    }
    if (genicam) {
        reverse_x = b.boolean(fmt, "ReverseX", false, 1);
        reverse_y = b.boolean(fmt, "ReverseY", false, 1);
    }
    std::vector<Entry> patterns = {
        {"Off", 0, ""}, {"GreyDiagonalRampMoving", 1, ""}, {"ColorRampMoving", 2, ""}};
    size_t pattern_index = 0;
    for (size_t i = 0; i < patterns.size(); ++i)
        if (patterns[i].name == setup.pattern)
            pattern_index = i;
    test_pattern = b.enumeration(fmt, "TestPattern", patterns, pattern_index, 1);
    test_pattern->display_name = "Test Pattern";
    frame_id_stamp = b.boolean(fmt, "FrameIdStamp", setup.frame_id_stamp, 2);
    frame_id_stamp->tooltip = "Stamps the frame number as 16 black and white cells into the top-left corner";
    if (setup.analog) {
        video_norm = b.enumeration(fmt, "VideoNorm", {{"NTSC_M", 0, "NTSC M"}, {"PAL_B", 1, "PAL B"}}, 0);
        input_channel = b.enumeration(fmt, "InputChannel", {{"Composite", 0, ""}, {"S-Video", 1, ""}}, 0);
        stream_lock(video_norm);
        stream_lock(input_channel);
    }

    // ------------------------------------------------------------ acquisition
    Feature* acq = b.category(nullptr, "AcquisitionControl");
    acq->display_name = "Acquisition Control";
    if (genicam) {
        acq_mode = b.enumeration(acq, "AcquisitionMode", {{"Continuous", 2, ""}}, 0, 1);
        stream_lock(acq_mode);
        acq_start = b.command(acq, "AcquisitionStart", 1);
        acq_stop = b.command(acq, "AcquisitionStop", 1);
        acq_start->execute_hook = [c] {
            c->set_acquisition_from_command(true);
            return Status{};
        };
        acq_stop->execute_hook = [c] {
            c->set_acquisition_from_command(false);
            return Status{};
        };
        frame_rate = b.floating(acq, "AcquisitionFrameRate", 1.0, setup.rate_cap, 30.0, "Hz");
        frame_rate->display_name = "Frame Rate";
        resulting_rate = b.floating(acq, "AcquisitionResultingFrameRate", 0.0, 1000.0, 30.0, "Hz", 1);
        resulting_rate->read_only = true;
        resulting_rate->persistent = false;
        resulting_rate->notation = 1;
        resulting_rate->precision = 2;
    } else {
        frame_rate = b.enumeration(acq, "AcquisitionFrameRate",
                                   {{"Rate30", 30, "30"},
                                    {"Rate25", 25, "25"},
                                    {"Rate15", 15, "15"},
                                    {"Rate12_5", 12, "12.5"},
                                    {"Rate7_5", 7, "7.5"}},
                                   0);
        frame_rate->display_name = "Frame Rate";
    }

    // ------------------------------------------------------------ exposure and gain
    if (genicam) {
        Feature* ex = acq;
        exposure = b.floating(ex, "ExposureTime", 10.0, 1000000.0, 10000.0, "us");
        exposure->display_name = "Exposure Time";
        exposure->representation = 1;
        exposure_auto = b.enumeration(ex, "ExposureAuto", auto_entries(), 0);
        exposure_auto->display_name = "Exposure Auto";
        exposure_auto_ref = b.integer(ex, "ExposureAutoReference", 0, 255, 1, 128, 1);
        exposure_lower = b.floating(ex, "ExposureAutoLowerLimit", 10.0, 1000000.0, 10.0, "us", 1);
        exposure_upper = b.floating(ex, "ExposureAutoUpperLimit", 10.0, 1000000.0, 100000.0, "us", 1);
        exposure_upper_auto = b.boolean(ex, "ExposureAutoUpperLimitAuto", false, 2);
        Feature* an = b.category(nullptr, "AnalogControl");
        an->display_name = "Analog Control";
        gain = b.floating(an, "Gain", 0.0, 24.0, 0.0, "dB");
        gain_auto = b.enumeration(an, "GainAuto", auto_entries(), 0);
        gain_lower = b.floating(an, "GainAutoLowerLimit", 0.0, 24.0, 0.0, "dB", 1);
        gain_upper = b.floating(an, "GainAutoUpperLimit", 0.0, 24.0, 24.0, "dB", 1);
        black_level = b.floating(an, "BlackLevel", 0.0, 64.0, 0.0, "DN", 1);
        gamma = b.floating(an, "Gamma", 0.5, 2.0, 1.0, "", 1);
        gamma->representation = 2;
        if (setup.white_balance) {
            wb_selector = b.enumeration(an, "BalanceRatioSelector",
                                        FeatureBuilder::positional({"Red", "Green", "Blue"}), 0);
            wb_ratio = b.floating(an, "BalanceRatio", 0.25, 4.0, 1.0);
            wb_ratio->inc_mode = 0;
            wb_ratio->finc = 0.01;
            wb_ratio->fmin = 0.25;
            FeatureBuilder::select_by(wb_ratio, wb_selector);
            wb_auto = b.enumeration(an, "BalanceWhiteAuto", auto_entries(), 0);
            wb_ratio->locked_if = [this]() -> const char* {
                return selected_is(wb_auto, "Continuous") ? "while its auto function is Continuous" : nullptr;
            };
        }
        exposure->locked_if = [this]() -> const char* {
            return selected_is(exposure_auto, "Continuous") ? "while its auto function is Continuous"
                                                            : nullptr;
        };
        gain->locked_if = [this]() -> const char* {
            return selected_is(gain_auto, "Continuous") ? "while its auto function is Continuous" : nullptr;
        };
        exposure_auto_ref->available_if = [this] { return !selected_is(exposure_auto, "Off"); };
    } else {
        Feature* ex = b.category(nullptr, "Exposure");
        exposure = b.floating(ex, "Exposure", 100.0, 40000.0, 10000.0, "us");
        exposure->representation = 1;
        exposure->inc_mode = 0; // whole microseconds
        exposure->finc = 1.0;
        exposure_auto = b.boolean(ex, "Exposure_Auto", false);
        exposure_auto_ref = b.integer(ex, "Exposure_Auto_Reference", 0, 255, 1, 128, 1);
        exposure_upper = b.floating(ex, "Exposure_Auto_Max_Value", 100.0, 40000.0, 33000.0, "us", 1);
        exposure_upper_auto = b.boolean(ex, "Exposure_AutoMaxValueAuto", true, 1);
        exposure->locked_if = [this]() -> const char* {
            return exposure_auto->slot().i ? "while its auto function is on" : nullptr;
        };
        Feature* gc = b.category(nullptr, "Gain");
        gain = b.integer(gc, "Gain", 0, 480, 1, 0);
        gain->unit = "0.1 dB";
        gain_auto = b.boolean(gc, "Gain_Auto", false);
        gain->locked_if = [this]() -> const char* {
            return gain_auto->slot().i ? "while its auto function is on" : nullptr;
        };
        Feature* col = b.category(nullptr, "Color");
        brightness = b.integer(col, "Brightness", -64, 64, 1, 0);
        contrast = b.integer(col, "Contrast", 0, 200, 1, 100);
        b.integer(col, "Hue", -180, 180, 1, 0, 1);
        b.integer(col, "Saturation", 0, 200, 1, 100);
        b.integer(col, "Sharpness", 0, 10, 1, 0, 1);
        gamma = b.integer(col, "Gamma", 50, 200, 1, 100, 1);
        b.integer(col, "Denoise", 0, 10, 1, 0, 2);
        wb_auto = b.boolean(col, "WhiteBalance_Auto", false);
        wb_push = b.command(col, "WhiteBalance_OnePush");
        wb_red = b.integer(col, "WhiteBalance_White_Balance_Red", 0, 400, 1, 100, 1);
        wb_green = b.integer(col, "WhiteBalance_White_Balance_Green", 0, 400, 1, 100, 1);
        wb_blue = b.integer(col, "WhiteBalance_White_Balance_Blue", 0, 400, 1, 100, 1);
        wb_push->execute_hook = [c] {
            c->white_balance_once_locked();
            return Status{};
        };
        for (Feature* f : {wb_red, wb_green, wb_blue})
            f->locked_if = [this]() -> const char* {
                return wb_auto->slot().i ? "while its auto function is on" : nullptr;
            };
    }

    // ------------------------------------------------------------ colour transformation
    if (setup.colour_transform) {
        Feature* ct = b.category(nullptr, "ColorTransformationControl", 1);
        ct_enable = b.boolean(ct, "ColorTransformationEnable", false, 1);
        b.enumeration(ct, "ColorTransformationSelector", {{"RGBtoRGB", 0, ""}}, 0, 1);
        std::vector<std::string> gains;
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 3; ++k)
                gains.push_back("Gain" + std::to_string(r) + std::to_string(k));
        ct_value_selector =
            b.enumeration(ct, "ColorTransformationValueSelector", FeatureBuilder::positional(gains), 0, 1);
        ct_value = b.floating(ct, "ColorTransformationValue", -4.0, 4.0, 1.0, "", 1);
        FeatureBuilder::select_by(ct_value, ct_value_selector);
        for (size_t i = 0; i < 9; ++i)
            ct_value->values[i].f = (i % 4 == 0) ? 1.0 : 0.0;
    }

    // ------------------------------------------------------------ trigger
    if (setup.trigger) {
        Feature* tr = acq;
        trigger_selector = b.enumeration(tr, "TriggerSelector", {{"FrameStart", 0, ""}}, 0, 1);
        trigger_mode = b.enumeration(tr, "TriggerMode", {{"Off", 0, ""}, {"On", 1, ""}}, 0);
        trigger_source = b.enumeration(tr, "TriggerSource",
                                       {{"Software", 0, ""}, {"Line1", 1, ""}, {"Line2", 2, ""}}, 0, 1);
        trigger_activation =
            b.enumeration(tr, "TriggerActivation", {{"RisingEdge", 0, ""}, {"FallingEdge", 1, ""}}, 0, 1);
        trigger_delay = b.floating(tr, "TriggerDelay", 0.0, 1000000.0, 0.0, "us", 1);
        trigger_software = b.command(tr, "TriggerSoftware");
        for (Feature* f : {trigger_mode, trigger_source, trigger_activation, trigger_delay})
            FeatureBuilder::select_by(f, trigger_selector);
        trigger_source->entries[2]->available_if = [] { return false; };
        trigger_software->available_if = [this] {
            return selected_is(trigger_mode, "On") && selected_is(trigger_source, "Software");
        };
        trigger_software->execute_hook = [c] {
            c->software_trigger();
            return Status{};
        };
    } else if (!genicam) {
        Feature* tr = b.category(nullptr, "Trigger");
        trigger_mode = b.boolean(tr, "Trigger", false);
        trigger_software = b.command(tr, "Trigger_Software_Trigger");
        trigger_software->available_if = [this] { return trigger_mode->slot().i != 0; };
        trigger_software->execute_hook = [c] {
            c->software_trigger();
            return Status{};
        };
        Feature* st = b.category(nullptr, "Strobe", 1);
        b.boolean(st, "Strobe", false, 1);
        b.boolean(st, "Strobe_Polarity", false, 1);
        b.enumeration(st, "Strobe_Mode", {{"Constant", 0, ""}, {"Exposure", 1, ""}, {"FixedDuration", 2, ""}},
                      0, 1);
        Feature* io = b.category(nullptr, "GPIO", 1);
        Feature* gpin = b.integer(io, "GPIO_GP_IN", 0, 1, 1, 0, 1);
        gpin->read_only = true;
        gpin->persistent = false;
        b.integer(io, "GPIO_GP_Out", 0, 1, 1, 0, 1);
        b.command(io, "GPIO_Write", 1);
        b.command(io, "GPIO_Read", 1);
    }

    // ------------------------------------------------------------ look-up tables
    if (!setup.lut_tables.empty()) {
        Feature* lc = b.category(nullptr, "LUTControl", 1);
        lc->display_name = "LUT Control";
        const std::vector<LutTable>& tables = setup.lut_tables;
        const bool selected = tables.size() > 1 || !tables.front().name.empty();
        if (selected) {
            std::vector<std::string> names;
            for (const LutTable& t : tables)
                names.push_back(t.name);
            lut_selector = b.enumeration(lc, "LUTSelector", FeatureBuilder::positional(names), 0, 1);
        }
        const LutTable& first = tables.front();
        lut_enable = b.boolean(lc, "LUTEnable", false, 1);
        lut_index = b.integer(lc, "LUTIndex", 0, first.entries - 1, 1, 0, 1);
        lut_value = b.integer(lc, "LUTValue", 0, first.value_max, 1, 0, 1);
        lut_value_all = b.reg(lc, "LUTValueAll", static_cast<size_t>(first.entries * first.entry_bytes), 2);
        lut_value->persistent = false; // the table travels in LUTValueAll
        if (selected)
            for (Feature* f : {lut_enable, lut_index, lut_value, lut_value_all})
                FeatureBuilder::select_by(f, lut_selector);
        cam.luts_.assign(tables.size(), std::vector<int64_t>());
        for (size_t k = 0; k < tables.size(); ++k) {
            const int64_t n = tables[k].entries;
            auto& table = cam.luts_[k];
            table.resize(static_cast<size_t>(n));
            for (int64_t i = 0; i < n; ++i)
                table[static_cast<size_t>(i)] = n == 1 ? 0 : i * tables[k].value_max / (n - 1);
        }
        auto table_index = [this, count = tables.size()] {
            const size_t i = lut_selector ? static_cast<size_t>(lut_selector->slot().i) : size_t(0);
            return std::min(i, count - 1);
        };
        // The index range, the value range and the register follow the selected table.
        auto layout = [table_index, tables]() -> const LutTable& { return tables[table_index()]; };
        lut_index->range_hook = [layout](int64_t& min, int64_t& max) {
            min = 0;
            max = layout().entries - 1;
        };
        lut_value->range_hook = [layout](int64_t& min, int64_t& max) {
            min = 0;
            max = layout().value_max;
        };
        lut_value_all->size_hook = [layout] {
            const LutTable& t = layout();
            return static_cast<size_t>(t.entries * t.entry_bytes);
        };
        lut_value->read_hook = [c, this, table_index](FeatureValue& v) {
            auto& t = c->lut_table_locked(table_index());
            auto i = static_cast<size_t>(lut_index->slot().i);
            v.i = i < t.size() ? t[i] : 0;
        };
        lut_value->store_hook = [c, this, table_index](const FeatureValue& v) {
            auto& t = c->lut_table_locked(table_index());
            auto i = static_cast<size_t>(lut_index->slot().i);
            if (i < t.size())
                t[i] = v.i;
            c->touch(lut_value_all);
            return Status{};
        };
        // Entry i takes bytes i * w .. i * w + w - 1, least significant first.
        lut_value_all->read_hook = [c, table_index, layout](FeatureValue& v) {
            auto& t = c->lut_table_locked(table_index());
            const auto width = static_cast<size_t>(layout().entry_bytes);
            v.bytes.assign(t.size() * width, 0);
            for (size_t i = 0; i < t.size(); ++i)
                for (size_t k = 0; k < width; ++k)
                    v.bytes[i * width + k] = static_cast<uint8_t>(static_cast<uint64_t>(t[i]) >> (8 * k));
        };
        lut_value_all->store_hook = [c, this, table_index, layout](const FeatureValue& v) {
            auto& t = c->lut_table_locked(table_index());
            const LutTable& shape = layout();
            const auto width = static_cast<size_t>(shape.entry_bytes);
            for (size_t i = 0; i < t.size(); ++i) {
                uint64_t value = 0;
                for (size_t k = 0; k < width; ++k)
                    value |= uint64_t(v.bytes[i * width + k]) << (8 * k);
                t[i] =
                    static_cast<int64_t>(std::min<uint64_t>(value, static_cast<uint64_t>(shape.value_max)));
            }
            c->touch(lut_value);
            return Status{};
        };
        lut_index->after_write = [c, this] { c->touch(lut_value); };
    }

    // ------------------------------------------------------------ device events
    if (setup.events) {
        Feature* ev = b.category(nullptr, "EventControl", 1);
        ev->display_name = "Event Control";
        event_selector = b.enumeration(ev, "EventSelector",
                                       {{"ExposureStart", 0x9001, ""},
                                        {"ExposureEnd", 0x9002, ""},
                                        {"FrameTriggerMissed", 0x9003, ""},
                                        {"Overtemperature", 0x9004, ""}},
                                       0, 1);
        event_notification = b.enumeration(ev, "EventNotification", {{"Off", 0, ""}, {"On", 1, ""}}, 0, 1);
        FeatureBuilder::select_by(event_notification, event_selector);
        for (int e = 0; e < 3; ++e) {
            std::string base = std::string("Event") + kEventNames[e];
            event_data[e][0] = b.integer(ev, base, 0, 0xFFFF, 1, 0, 1);
            event_data[e][1] = b.integer(ev, base + "Timestamp", 0, INT64_MAX, 1, 0, 1);
            if (e < 2)
                event_data[e][2] = b.integer(ev, base + "FrameID", 0, INT64_MAX, 1, 0, 1);
            for (Feature* f : event_data[e])
                if (f) {
                    f->read_only = true;
                    f->persistent = false;
                }
        }
        event_data[0][1]->unit = event_data[1][1]->unit = event_data[2][1]->unit = "ns";
    }

    // ------------------------------------------------------------ user sets
    if (setup.user_sets) {
        Feature* us = b.category(nullptr, "UserSetControl", 1);
        userset_selector = b.enumeration(us, "UserSetSelector",
                                         FeatureBuilder::positional({"Default", "UserSet1", "UserSet2"}), 0);
        userset_load = b.command(us, "UserSetLoad");
        stream_lock(userset_load);
        userset_save = b.command(us, "UserSetSave");
        userset_default = b.enumeration(
            us, "UserSetDefault", FeatureBuilder::positional({"Default", "UserSet1", "UserSet2"}), 0, 1);
        userset_load->execute_hook = [c, this] {
            c->load_user_set_locked(
                userset_selector->entries[static_cast<size_t>(userset_selector->slot().i)]->name);
            return Status{};
        };
        userset_save->execute_hook = [c, this] {
            const std::string& name =
                userset_selector->entries[static_cast<size_t>(userset_selector->slot().i)]->name;
            if (name == "Default")
                return Status{kAccessDenied, "Feature 'UserSetSave' cannot overwrite the Default user set"};
            c->save_user_set_locked(name);
            return Status{};
        };
    }

    // ------------------------------------------------------------ focus
    if (setup.focus != FocusStyle::None) {
        Feature* lens = b.category(nullptr, "Lens");
        focus = b.integer(lens, "Focus", 0, 1000, 1, 300);
        if (setup.focus == FocusStyle::GenICam) {
            focus_run = b.command(lens, "FocusAuto");
            focus_roi_enable = b.boolean(lens, "AutoFocusROIEnable", false, 1);
            int64_t sw = setup.sensor_width, sh = setup.sensor_height;
            focus_roi[0] = b.integer(lens, "AutoFocusROILeft", 0, sw - 32, 4, (sw - 128) / 2 / 4 * 4, 1);
            focus_roi[1] = b.integer(lens, "AutoFocusROITop", 0, sh - 32, 4, (sh - 128) / 2 / 4 * 4, 1);
            focus_roi[2] = b.integer(lens, "AutoFocusROIWidth", 32, sw / 4 * 4, 4, 128, 1);
            focus_roi[3] = b.integer(lens, "AutoFocusROIHeight", 32, sh / 4 * 4, 4, 128, 1);
        } else {
            focus_run = b.command(lens, "Focus_One_Push");
            focus_running = b.boolean(lens, "Focus_One_Push_Running", false, 1);
            focus_running->read_only = true;
            focus_running->persistent = false;
            focus_running->read_hook = [c](FeatureValue& v) { v.i = c->focus_running() ? 1 : 0; };
            focus_roi_enable = b.boolean(lens, "Focus_Enable_Region_of_Interest", false, 1);
            int64_t sw = setup.sensor_width, sh = setup.sensor_height;
            focus_roi[0] = b.integer(lens, "Focus_Left", 0, sw, 1, 0, 1);
            focus_roi[1] = b.integer(lens, "Focus_Top", 0, sh, 1, 0, 1);
            focus_roi[2] = b.integer(lens, "Focus_Right", 0, sw, 1, sw, 1);
            focus_roi[3] = b.integer(lens, "Focus_Bottom", 0, sh, 1, sh, 1);
            b.integer(lens, "Focus_Auto_Max_Value", 0, 1000, 1, 1000, 2);
            b.integer(lens, "Focus_Auto_Min_Value", 0, 1000, 1, 0, 2);
            b.integer(lens, "Zoom", 0, 100, 1, 0);
            b.integer(lens, "Iris", 0, 100, 1, 50);
            b.boolean(lens, "IrisAuto", false, 1);
        }
        focus_run->execute_hook = [c] {
            c->start_focus_run_locked();
            return Status{};
        };
        for (Feature* f : focus_roi)
            f->locked_if = [c]() -> const char* {
                return c->focus_running() ? "while the focus runs" : nullptr;
            };
    }

    // ------------------------------------------------------------ diagnostics
    if (setup.diagnostics) {
        Feature* dg = b.category(nullptr, "Diagnostics", 1);
        temperature = b.floating(dg, "DeviceTemperature", -40.0, 120.0, 41.5, "C", 1);
        temperature->unit = "\xC2\xB0"
                            "C";
        temperature->read_only = true;
        temperature->persistent = false;
        temperature->notation = 1;
        temperature->precision = 1;
        temperature->read_hook = [c](FeatureValue& v) { v.f = c->temperature_; };
        timestamp = b.integer(dg, "Timestamp", 0, INT64_MAX, 1, 0, 2);
        timestamp->read_only = true;
        timestamp->persistent = false;
        timestamp->unit = "ns";
        timestamp->read_hook = [c](FeatureValue& v) { v.i = c->now_ns(); };
        Feature* ip = b.integer(dg, "GevCurrentIPAddress", 0, 0xFFFFFFFFLL, 1, 0, 1);
        Feature* mask = b.integer(dg, "GevCurrentSubnetMask", 0, 0xFFFFFFFFLL, 1, 0, 1);
        Feature* mac = b.integer(dg, "GevMACAddress", 0, 0xFFFFFFFFFFFFLL, 1, setup.mac, 1);
        ip->representation = mask->representation = 5;
        mac->representation = 6;
        ip->read_hook = [c](FeatureValue& v) { v.i = c->info().ip; };
        mask->read_hook = [c](FeatureValue& v) { v.i = c->info().mask; };
        Feature* checksum = b.integer(dg, "DeviceFirmwareChecksum", 0, 0xFFFFFFFFLL, 1, 0x5A17C0DE, 2);
        checksum->representation = 4;
        for (Feature* f : {ip, mask, mac, checksum}) {
            f->read_only = true;
            f->persistent = false;
        }
        b.integer(dg, "DiagLogScale", 1, 100000, 1, 100, 1)->representation = 1;
        b.integer(dg, "DiagPureNumber", 0, 1000000, 1, 42, 1)->representation = 3;
        b.integer(dg, "DiagBooleanInt", 0, 1, 1, 0, 2)->representation = 2;
        Feature* sci = b.floating(dg, "DiagScientific", 1e-9, 1e9, 0.00125, "", 1);
        sci->notation = 2;
        sci->precision = 3;
        Feature* valid = b.floating(dg, "DiagValidSet", 0.5, 4.0, 1.0, "", 1);
        valid->inc_mode = 1;
        valid->fvalid = {0.5, 1.0, 2.0, 4.0};
        b.string(dg, "DiagLongText", std::string(128, 'x'), 255, 1);
        Feature* ro = b.enumeration(dg, "DiagReadOnlyEnum", {{"Alpha", 0, ""}, {"Beta", 1, ""}}, 1, 1);
        ro->read_only = true;
        ro->persistent = false;
        b.integer(dg, "DiagInvisible", 0, 100, 1, 7, 3);
        b.category(nullptr, "Reserved", 2);
        Feature* ra = b.category(nullptr, "RegisterAccess", 2);
        b.reg(ra, "DeviceScratchRegister", 16, 2)->persistent = false;
        // A category inside a category, and one that holds nothing but an empty one.
        Feature* sensor = b.category(dg, "SensorDiagnostics", 1);
        sensor->display_name = "Sensor Diagnostics";
        Feature* defects = b.integer(sensor, "SensorDefectPixelCount", 0, 65535, 1, 3, 1);
        defects->read_only = true;
        defects->persistent = false;
        b.boolean(sensor, "SensorDefectCorrection", true, 1);
        Feature* banks = b.category(nullptr, "ReservedBanks", 2);
        b.category(banks, "ReservedBank0", 2);
    }

    // ------------------------------------------------------------ chunk data
    if (setup.diagnostics) {
        // Switches only: frames carry no chunk data, so the stream does not lock them.
        Feature* chunk = b.category(nullptr, "ChunkDataControl", 1);
        chunk->display_name = "Chunk Data Control";
        b.boolean(chunk, "ChunkModeActive", false, 1);
        Feature* chunk_selector =
            b.enumeration(chunk, "ChunkSelector", {{"Timestamp", 0, ""}, {"FrameID", 1, ""}}, 0, 1);
        Feature* chunk_enable = b.boolean(chunk, "ChunkEnable", false, 1);
        FeatureBuilder::select_by(chunk_enable, chunk_selector);
    }

    // ------------------------------------------------------------ simulation controls
    Feature* sim = b.category(nullptr, "Simulation", 2);
    Feature* lost = b.command(sim, "SimDeviceLost", 2);
    lost->simulation = true;
    lost->execute_hook = [c] {
        // Not with the camera's lock held: the loss runs on the event thread.
        std::weak_ptr<Camera> weak = c->weak_from_this();
        c->events().post([weak] {
            if (auto cam = weak.lock())
                cam->lose();
        });
        return Status{};
    };
    sim_drop_every = b.integer(sim, "SimFrameDropEveryN", 0, 1000, 1, 0, 2);
    sim_stall = b.boolean(sim, "SimStall", false, 2);
    sim_line1 = b.floating(sim, "SimLine1Frequency", 0.0, 1000.0, 0.0, "Hz", 2);
    sim_noise = b.boolean(sim, "SimNoise", false, 2);
    for (Feature* f : {sim_drop_every, sim_stall, sim_line1, sim_noise}) {
        f->simulation = true;
        f->persistent = false;
    }

    apply_descriptions(*map);
    for (const auto& name : setup.remove)
        map->remove(name);
    build_added_features(*map, setup.add, "camera " + setup.serial);

    // ------------------------------------------------------------ driver map
    auto* dmap = new PropertyMap(&cam, "driver");
    cam.driver_map_ = dmap;
    FeatureBuilder d(*dmap);
    Feature* dname = d.string(nullptr, "DriverName", "SimCam Stream Driver", 64);
    Feature* dver = d.string(nullptr, "DriverVersion", "4.0.1", 64);
    dname->read_only = dver->read_only = true;
    stream_delivered = d.integer(nullptr, "StreamFramesDelivered", 0, INT64_MAX, 1, 0, 1);
    stream_dropped = d.integer(nullptr, "StreamFramesDropped", 0, INT64_MAX, 1, 0, 1);
    stream_delivered->read_only = stream_dropped->read_only = true;
    stream_delivered->read_hook = [c](FeatureValue& v) {
        v.i = static_cast<int64_t>(c->frames_delivered.load());
    };
    stream_dropped->read_hook = [c](FeatureValue& v) {
        v.i = static_cast<int64_t>(c->frames_dropped.load());
    };
    if (cam.interface() && cam.interface()->setup().tl_type == 1) {
        CameraInfo info = cam.info();
        Feature* pe = d.boolean(nullptr, "GevDeviceIPConfigPersistentIPEnable", info.persistent_enable);
        Feature* dh = d.boolean(nullptr, "GevDeviceIPConfigDHCPEnable", info.dhcp_enable);
        Feature* ll = d.boolean(nullptr, "GevDeviceIPConfigLinkLocalAddressEnable", info.lla_enable);
        Feature* pip =
            d.integer(nullptr, "GevDeviceIPConfigPersistentIPAddress", 0, 0xFFFFFFFFLL, 1, info.ip);
        Feature* pmask =
            d.integer(nullptr, "GevDeviceIPConfigPersistentSubnetMask", 0, 0xFFFFFFFFLL, 1, info.mask);
        Feature* pgw =
            d.integer(nullptr, "GevDeviceIPConfigPersistentGateway", 0, 0xFFFFFFFFLL, 1, info.gateway);
        pip->representation = pmask->representation = pgw->representation = setup.address_representation;
        Feature* apply = d.command(nullptr, "GevDeviceIPConfigApply");
        apply->execute_hook = [c, pe, dh, ll, pip, pmask, pgw] {
            c->update_info([&](CameraInfo& i) {
                i.persistent_enable = pe->slot().i != 0;
                i.dhcp_enable = dh->slot().i != 0;
                i.lla_enable = ll->slot().i != 0;
                i.persistent_ip = static_cast<uint32_t>(pip->slot().i);
                i.persistent_mask = static_cast<uint32_t>(pmask->slot().i);
                i.persistent_gateway = static_cast<uint32_t>(pgw->slot().i);
            });
            return Status{};
        };
    }
}

} // namespace vsxsim
