#include "SimConfig.h"

#include "AddedFeatures.h"
#include "CameraTemplates.h"
#include "ConfigJson.h"
#include "JsonInput.h"
#include "Log.h"
#include "PixelFormat.h"
#include "TextUtil.h"

#include <algorithm>
#include <cmath>
#include <nlohmann/json.hpp>
#include <set>

namespace vsxsim {

using nlohmann::json;

namespace {

void ip_field(const json& j, const char* key, uint32_t& out, const std::string& where)
{
    std::string text;
    field(j, key, text, where);
    if (text.empty())
        return;
    if (auto v = text::parse_ipv4(text))
        out = static_cast<uint32_t>(*v);
    else
        Log::warn(where + ": '" + key + "' is not an IPv4 address; the default is kept");
}

} // namespace

SimConfig SimConfig::builtin()
{
    SimConfig c;
    c.interfaces = CameraTemplates::interfaces();
    for (const auto& id : CameraTemplates::ids())
        c.cameras.push_back(*CameraTemplates::camera(id));
    return c;
}

SimConfig SimConfig::builtin_subset(const std::string& ids)
{
    SimConfig c;
    c.interfaces = CameraTemplates::interfaces();
    size_t pos = 0;
    while (pos <= ids.size()) {
        size_t end = ids.find(',', pos);
        if (end == std::string::npos)
            end = ids.size();
        std::string id = ids.substr(pos, end - pos);
        id.erase(0, id.find_first_not_of(" \t"));
        id.erase(id.find_last_not_of(" \t") + 1);
        if (!id.empty()) {
            if (auto cam = CameraTemplates::camera(id))
                c.cameras.push_back(*cam);
            else
                Log::warn("VSXSIM_CAMERAS: no built-in camera '" + id + "'");
        }
        pos = end + 1;
    }
    return c;
}

Status SimConfig::parse(const std::string& text, SimConfig& out)
{
    json root;
    if (Status parsed = json_input::parse(text, root); !parsed)
        return {kFileFormat, "The camera configuration is " + parsed.message};
    if (!root.is_object())
        return {kFileFormat, "The camera configuration must be a JSON object"};
    SimConfig c;
    std::string extends;
    field(root, "extends", extends, "configuration");
    if (extends == "default")
        c = builtin();
    else if (!extends.empty())
        return {kFileFormat, "The configuration extends an unknown set '" + extends + "'"};

    if (auto it = root.find("interfaces"); it != root.end()) {
        if (!it->is_array())
            return {kFileFormat, "'interfaces' must be an array"};
        for (const auto& j : *it) {
            if (!j.is_object()) {
                Log::warn("configuration: an interface that is not an object is skipped");
                continue;
            }
            InterfaceSetup s;
            field(j, "id", s.id, "interface");
            if (s.id.empty()) {
                Log::warn("configuration: an interface without 'id' is skipped");
                continue;
            }
            std::string where = "interface " + s.id;
            auto existing = std::find_if(c.interfaces.begin(), c.interfaces.end(),
                                         [&](const InterfaceSetup& i) { return i.id == s.id; });
            if (existing != c.interfaces.end())
                s = *existing;
            field(j, "tlType", s.tl_type, where);
            if (s.tl_type < 0 || s.tl_type > 2)
                s.tl_type = 0;
            field(j, "displayName", s.display_name, where);
            field(j, "tlName", s.tl_name, where);
            field(j, "tlVersion", s.tl_version, where);
            field(j, "mtu", s.mtu, where);
            if (auto sn = j.find("subnets"); sn != j.end() && sn->is_array()) {
                s.subnets.clear();
                for (const auto& pair : *sn) {
                    if (pair.is_array() && pair.size() == 2 && pair[0].is_string() && pair[1].is_string()) {
                        auto a = text::parse_ipv4(pair[0].get<std::string>());
                        auto m = text::parse_ipv4(pair[1].get<std::string>());
                        if (a && m) {
                            s.subnets.emplace_back(static_cast<uint32_t>(*a), static_cast<uint32_t>(*m));
                            continue;
                        }
                    }
                    Log::warn(where + ": a subnet is not [\"address\", \"mask\"] and is skipped");
                }
            }
            field(j, "remove", s.remove, where);
            if (s.display_name.empty())
                s.display_name = s.id;
            if (existing != c.interfaces.end())
                *existing = s;
            else
                c.interfaces.push_back(s);
        }
    }

    if (auto it = root.find("cameras"); it != root.end()) {
        if (!it->is_array())
            return {kFileFormat, "'cameras' must be an array"};
        for (const auto& j : *it) {
            if (!j.is_object()) {
                Log::warn("configuration: a camera that is not an object is skipped");
                continue;
            }
            std::string id, templ, serial;
            field(j, "id", id, "camera");
            field(j, "template", templ, "camera " + id);
            field(j, "serial", serial, "camera " + id);
            CameraSetup s;
            std::string template_serial, template_unique;
            if (!templ.empty()) {
                auto t = CameraTemplates::camera(templ);
                if (!t) {
                    Log::warn("configuration: camera '" + id + "' names an unknown template '" + templ +
                              "'; skipped");
                    continue;
                }
                s = *t;
                template_serial = s.serial;
                template_unique = s.unique_name;
                s.unique_name.clear();
            }
            if (!serial.empty())
                s.serial = serial;
            // Without an id of its own a camera is known by its serial number, so
            // that two cameras of one template stay two; one that keeps its
            // template's serial number stands in for the template's camera.
            if (!id.empty())
                s.id = id;
            else if (!templ.empty() && s.serial == template_serial)
                s.id = templ;
            else
                s.id = "serial " + s.serial;
            std::string where = "camera " + s.id;
            field(j, "model", s.model, where);
            field(j, "vendor", s.vendor, where);
            field(j, "uniqueName", s.unique_name, where);
            if (s.unique_name.empty() && s.serial == template_serial)
                s.unique_name = template_unique;
            field(j, "userId", s.user_id, where);
            field(j, "version", s.version, where);
            field(j, "interface", s.interface_id, where);
            if (auto sensor = j.find("sensor"); sensor != j.end()) {
                if (sensor->is_array() && sensor->size() == 2 && (*sensor)[0].is_number_integer() &&
                    (*sensor)[1].is_number_integer()) {
                    s.sensor_width = std::clamp<int64_t>((*sensor)[0].get<int64_t>(), 32, 16384);
                    s.sensor_height = std::clamp<int64_t>((*sensor)[1].get<int64_t>(), 32, 16384);
                } else {
                    Log::warn(where + ": 'sensor' must be [width, height]; the default is kept");
                }
            }
            if (auto pf = j.find("pixelFormats"); pf != j.end()) {
                if (pf->is_array()) {
                    std::vector<std::string> formats;
                    for (const auto& f : *pf) {
                        if (f.is_string() && find_pixel_format(f.get<std::string>()))
                            formats.push_back(f.get<std::string>());
                        else
                            Log::warn(
                                where + ": unknown pixel format " +
                                (f.is_string() ? "'" + f.get<std::string>() + "'" : std::string("entry")) +
                                " is skipped");
                    }
                    if (formats.empty() && !pf->empty()) {
                        Log::warn("configuration: camera '" + s.id + "' has no known pixel format; skipped");
                        continue;
                    }
                    s.pixel_formats = formats;
                    if (std::find(formats.begin(), formats.end(), s.default_format) == formats.end())
                        s.default_format = formats.empty() ? "" : formats.front();
                } else {
                    Log::warn(where + ": 'pixelFormats' must be an array of names");
                }
            }
            field(j, "defaultFormat", s.default_format, where);
            field(j, "rowPadding", s.row_padding, where);
            s.row_padding = std::clamp<int64_t>(s.row_padding, 0, 4096);
            ip_field(j, "ip", s.ip, where);
            ip_field(j, "mask", s.mask, where);
            ip_field(j, "gateway", s.gateway, where);
            field(j, "addressRepresentation", s.address_representation, where);
            field(j, "driverStatus", s.driver_status, where);
            field(j, "plugged", s.plugged, where);
            field(j, "pattern", s.pattern, where);
            field(j, "frameIdStamp", s.frame_id_stamp, where);
            field(j, "binningReducesMax", s.binning_reduces_max, where);
            if (auto fs = j.find("features"); fs != j.end()) {
                if (fs->is_object()) {
                    for (auto f = fs->begin(); f != fs->end(); ++f)
                        s.features.emplace_back(f.key(), value_text(f.value()));
                } else {
                    Log::warn(where + ": 'features' must be an object");
                }
            }
            field(j, "remove", s.remove, where);
            parse_added_features(j, s, where);
            if (s.serial.empty() || s.model.empty()) {
                Log::warn("configuration: camera '" + s.id +
                          "' needs a template or a model and serial; skipped");
                continue;
            }
            if (s.pixel_formats.empty())
                s.pixel_formats = {"Mono8"};
            if (s.interface_id.empty())
                s.interface_id = c.interfaces.empty() ? "" : c.interfaces.front().id;
            auto same = std::find_if(c.cameras.begin(), c.cameras.end(), [&](const CameraSetup& o) {
                return o.serial == s.serial || o.id == s.id;
            });
            if (same != c.cameras.end())
                *same = s;
            else
                c.cameras.push_back(s);
        }
    }
    // Built-in interfaces that cameras name come along without being listed.
    for (const auto& builtin : CameraTemplates::interfaces()) {
        bool listed = std::any_of(c.interfaces.begin(), c.interfaces.end(),
                                  [&](const InterfaceSetup& i) { return i.id == builtin.id; });
        bool named = std::any_of(c.cameras.begin(), c.cameras.end(),
                                 [&](const CameraSetup& cam) { return cam.interface_id == builtin.id; });
        if (named && !listed)
            c.interfaces.push_back(builtin);
    }
    // Serial numbers must be unique: later duplicates are dropped.
    std::set<std::string> serials;
    std::vector<CameraSetup> unique;
    for (auto& cam : c.cameras) {
        if (!serials.insert(cam.serial).second) {
            Log::warn("configuration: serial " + cam.serial + " is used twice; the second camera is skipped");
            continue;
        }
        unique.push_back(cam);
    }
    c.cameras = unique;
    out = c;
    return {};
}

void SimConfig::scale_sensors(double scale)
{
    if (!(scale > 0.0) || scale >= 1.0)
        return;
    for (auto& c : cameras) {
        if (c.analog)
            continue;
        auto shrink = [scale](int64_t v, int64_t min, int64_t inc) {
            auto s = static_cast<int64_t>(std::floor(static_cast<double>(v) * scale));
            s = std::max(s, std::max<int64_t>(min, 64));
            return s / inc * inc;
        };
        c.sensor_width = shrink(c.sensor_width, c.width_min, c.width_inc * 4);
        c.sensor_height = shrink(c.sensor_height, c.height_min, c.height_inc * 4);
    }
}

} // namespace vsxsim
