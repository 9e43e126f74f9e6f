#pragma once

namespace vsxsim {

class Camera;
class Feature;

// The features of one camera that its behaviour refers to (null when the
// camera's model lacks them), and the builder of its device and driver maps.
class CameraFeatures {
public:
    void build(Camera& camera);

    // device information
    Feature *vendor = nullptr, *model = nullptr, *serial = nullptr, *version = nullptr, *user_id = nullptr;
    // format
    Feature *sensor_width = nullptr, *sensor_height = nullptr, *width_max = nullptr, *height_max = nullptr;
    Feature *width = nullptr, *height = nullptr, *offset_x = nullptr, *offset_y = nullptr;
    Feature* pixel_format = nullptr;
    Feature *bin_h = nullptr, *bin_v = nullptr, *dec_h = nullptr, *dec_v = nullptr, *binning = nullptr;
    Feature *reverse_x = nullptr, *reverse_y = nullptr, *test_pattern = nullptr, *frame_id_stamp = nullptr;
    Feature *video_norm = nullptr, *input_channel = nullptr;
    // acquisition
    Feature *acq_mode = nullptr, *acq_start = nullptr, *acq_stop = nullptr;
    Feature *frame_rate = nullptr, *resulting_rate = nullptr;
    Feature *exposure = nullptr, *exposure_auto = nullptr, *exposure_auto_ref = nullptr;
    Feature *exposure_lower = nullptr, *exposure_upper = nullptr, *exposure_upper_auto = nullptr;
    Feature *gain = nullptr, *gain_auto = nullptr, *gain_lower = nullptr, *gain_upper = nullptr;
    Feature *black_level = nullptr, *gamma = nullptr;
    Feature *brightness = nullptr, *contrast = nullptr;
    // colour
    Feature *wb_selector = nullptr, *wb_ratio = nullptr, *wb_auto = nullptr, *wb_push = nullptr;
    Feature *wb_red = nullptr, *wb_green = nullptr, *wb_blue = nullptr;
    Feature *ct_enable = nullptr, *ct_value_selector = nullptr, *ct_value = nullptr;
    // trigger
    Feature *trigger_selector = nullptr, *trigger_mode = nullptr, *trigger_source = nullptr;
    Feature *trigger_activation = nullptr, *trigger_delay = nullptr, *trigger_software = nullptr;
    // look-up tables
    Feature *lut_selector = nullptr, *lut_enable = nullptr, *lut_index = nullptr, *lut_value = nullptr;
    Feature* lut_value_all = nullptr;
    // events: per event (ExposureStart, ExposureEnd, FrameTriggerMissed) id, timestamp, frame id
    Feature *event_selector = nullptr, *event_notification = nullptr;
    Feature* event_data[3][3] = {};
    // user sets
    Feature *userset_selector = nullptr, *userset_load = nullptr, *userset_save = nullptr;
    Feature* userset_default = nullptr;
    // focus
    Feature *focus = nullptr, *focus_run = nullptr, *focus_running = nullptr, *focus_roi_enable = nullptr;
    Feature* focus_roi[4] = {};
    // diagnostics
    Feature *temperature = nullptr, *timestamp = nullptr;
    // simulation
    Feature *sim_drop_every = nullptr, *sim_stall = nullptr, *sim_line1 = nullptr, *sim_noise = nullptr;
    // driver map
    Feature *stream_delivered = nullptr, *stream_dropped = nullptr;
};

} // namespace vsxsim
