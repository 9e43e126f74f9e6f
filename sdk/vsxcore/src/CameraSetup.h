#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vsxsim {

enum class BinningStyle { None, Independent, Linked, Enumeration };
enum class FocusStyle { None, GenICam, OnePush };
enum class Naming { GenICam, Underscore };

// One simulated transport-layer interface.
struct InterfaceSetup {
    std::string id;
    int tl_type = 0; // 1 GigE Vision, 2 USB3 Vision, 0 other
    std::string display_name;
    std::string tl_name;
    std::string tl_version = "1.0";
    int64_t mtu = 9000;
    std::vector<std::pair<uint32_t, uint32_t>> subnets; // interface address, mask
    std::vector<std::string> remove;                    // features its map leaves out
};

// One look-up table of a camera: its "LUTSelector" entry (empty for a camera
// with one table and no selector), its index count ("LUTIndex" runs from 0 to
// entries - 1), its largest value ("LUTValue" runs from 0 to value_max) and the
// bytes one entry takes in "LUTValueAll" (entries * entry_bytes in all).
struct LutTable {
    std::string name;
    int64_t entries = 256;
    int64_t value_max = 4095;
    int64_t entry_bytes = 2;
};

// A feature a configuration adds to a camera ("add"); it replaces a feature of
// the same name. Its power-on value travels with the camera's other ones.
struct AddedFeature {
    struct Entry {
        std::string name;
        std::string display_name; // empty: the name
        std::string description;
        int64_t value = 0;
    };
    std::string name;
    int kind = 0;                      // FeatureKind: 1 Integer .. 6 Command
    std::vector<std::string> category; // path below Root, outermost first; empty: Root
    std::string display_name, description, tooltip, unit;
    int64_t imin = 0, imax = 100, iinc = 1;
    double fmin = 0.0, fmax = 100.0, finc = 0.0;
    std::vector<int64_t> ivalid;
    std::vector<double> fvalid;
    std::vector<Entry> entries;
    int64_t max_length = 64;
    int representation = 0;
    int notation = 0;  // floats: 0 automatic, 1 fixed, 2 scientific
    int precision = 2; // floats: digits shown
    int inc_mode = -1; // -1: the kind's default
    int visibility = 0;
    bool read_only = false;
    bool available = true;
};

// Everything that makes one simulated camera; built-in templates fill it and
// the configuration file may change any part.
struct CameraSetup {
    std::string id;
    std::string model;
    std::string vendor = "SimCam";
    std::string serial;
    std::string unique_name; // empty: model-serial
    std::string user_id;
    std::string version = "1.0.0";
    std::string interface_id;

    int64_t sensor_width = 1280;
    int64_t sensor_height = 960;
    int64_t width_min = 16, height_min = 8;
    int64_t width_inc = 8, height_inc = 8;
    std::vector<std::string> pixel_formats;
    std::string default_format;
    bool colour = true;
    int64_t row_padding = 0;

    uint32_t ip = 0, mask = 0, gateway = 0;
    int64_t mac = 0;
    int address_representation = 5; // of the driver map's stored addresses: 5 IPv4, 3 plain number
    std::string driver_status = "Reachable";
    bool plugged = true;

    std::string pattern = "Off";
    bool frame_id_stamp = true;
    std::vector<std::pair<std::string, std::string>> features; // power-on values (text)
    std::vector<std::string> remove;
    std::vector<AddedFeature> add;
    bool binning_reduces_max = true;

    double bandwidth = 350e6; // bytes per second
    double rate_cap = 120.0;

    Naming naming = Naming::GenICam;
    BinningStyle binning = BinningStyle::None;
    // No tables: no look-up table features; one unnamed table: no selector.
    std::vector<LutTable> lut_tables;
    FocusStyle focus = FocusStyle::None;
    bool white_balance = false;
    bool auto_functions = true;
    bool user_sets = true;
    bool trigger = false;
    bool events = false;
    bool colour_transform = false;
    bool diagnostics = false;
    bool analog = false;
};

} // namespace vsxsim
