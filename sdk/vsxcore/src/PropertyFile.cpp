#include "PropertyFile.h"

#include "Camera.h"
#include "FeatureHost.h"
#include "Log.h"
#include "PropertyMap.h"
#include "TextUtil.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <unistd.h>

namespace vsxsim {

using nlohmann::json;

namespace {

const char* kFormat = "vsxsim-property-map";
const char* kFormatGroup[] = {"PixelFormat",
                              "BinningHorizontal",
                              "BinningVertical",
                              "DecimationHorizontal",
                              "DecimationVertical",
                              "Binning",
                              "Width",
                              "Height",
                              "OffsetX",
                              "OffsetY"};
const char* kAutoSwitches[] = {"ExposureAuto",  "GainAuto",  "BalanceWhiteAuto",
                               "Exposure_Auto", "Gain_Auto", "WhiteBalance_Auto"};

bool is_auto_switch(const std::string& name)
{
    return std::find_if(std::begin(kAutoSwitches), std::end(kAutoSwitches),
                        [&](const char* n) { return name == n; }) != std::end(kAutoSwitches);
}

bool serialisable(const Feature* f)
{
    if (!f->persistent || f->read_only || f->simulation)
        return false;
    switch (f->kind) {
    case FeatureKind::Integer:
    case FeatureKind::Float:
    case FeatureKind::Enumeration:
    case FeatureKind::Boolean:
    case FeatureKind::String:
    case FeatureKind::Register:
        return true;
    default:
        return false;
    }
}

json value_json(FeatureHost& host, Feature& f)
{
    FeatureValue v = host.read_locked(f);
    json j;
    j["name"] = f.name;
    switch (f.kind) {
    case FeatureKind::Integer:
        j["value"] = v.i;
        break;
    case FeatureKind::Float:
        j["value"] = v.f;
        break;
    case FeatureKind::Boolean:
        j["value"] = v.i != 0;
        break;
    case FeatureKind::String:
        j["value"] = v.s;
        break;
    case FeatureKind::Enumeration:
        j["value"] = (v.i >= 0 && static_cast<size_t>(v.i) < f.entries.size())
                         ? f.entries[static_cast<size_t>(v.i)]->name
                         : std::string();
        break;
    case FeatureKind::Register:
        j["base64"] = text::base64_encode(v.bytes);
        break;
    default:
        break;
    }
    return j;
}

Status write_atomically(const std::string& path, const std::string& text)
{
    std::string tmp = path + ".tmp-" + std::to_string(::getpid());
    FILE* out = std::fopen(tmp.c_str(), "wb");
    if (!out)
        return {kFileIO, "Cannot open '" + path + "': " + std::strerror(errno)};
    bool ok = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    ok = std::fflush(out) == 0 && ok;
    int err = errno;
    ok = std::fclose(out) == 0 && ok;
    if (!ok) {
        std::remove(tmp.c_str());
        return {kFileIO, "Cannot write '" + path + "': " + std::strerror(err)};
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        err = errno;
        std::remove(tmp.c_str());
        return {kFileIO, "Cannot write '" + path + "': " + std::strerror(err)};
    }
    return {};
}

} // namespace

Status PropertyFile::save(PropertyMap& map, const std::string& path)
{
    FeatureHost& host = *map.host();
    json root;
    root["format"] = kFormat;
    root["version"] = 1;
    root["map"] = map.map_kind();
    json features = json::array();
    {
        std::lock_guard<std::mutex> lock(host.mutex());
        if (Status s = host.access_status(); !s)
            return s;
        if (auto* camera = dynamic_cast<Camera*>(&host))
            root["device"] = {{"model", camera->model()},
                              {"serial", camera->serial()},
                              {"uniqueName", camera->unique_name()}};
        std::vector<Feature*> order;
        for (const char* name : kFormatGroup)
            if (Feature* f = map.find(name))
                order.push_back(f);
        for (Feature* f : map.all_features())
            if (std::find(order.begin(), order.end(), f) == order.end())
                order.push_back(f);
        for (Feature* f : order) {
            if (!serialisable(f))
                continue;
            if (!f->selector) {
                features.push_back(value_json(host, *f));
                continue;
            }
            Feature* sel = f->selector;
            int64_t saved = sel->values[0].i;
            for (size_t i = 0; i < sel->entries.size(); ++i) {
                sel->values[0].i = static_cast<int64_t>(i);
                json j = value_json(host, *f);
                j["selectors"] = {{sel->name, sel->entries[i]->name}};
                features.push_back(j);
            }
            sel->values[0].i = saved;
        }
    }
    root["features"] = features;
    return write_atomically(path, root.dump(4) + "\n");
}

Status PropertyFile::load(PropertyMap& map, const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return {kFileIO, "Cannot open '" + path + "': " + std::strerror(errno)};
    std::ostringstream text;
    text << in.rdbuf();
    json root = json::parse(text.str(), nullptr, false);
    auto not_a_file = Status{kFileFormat, "'" + path + "' is not a property-map file"};
    if (root.is_discarded() || !root.is_object())
        return not_a_file;
    auto format = root.find("format");
    auto kind = root.find("map");
    auto features = root.find("features");
    if (format == root.end() || !format->is_string() || format->get<std::string>() != kFormat)
        return not_a_file;
    if (kind == root.end() || !kind->is_string() || kind->get<std::string>() != map.map_kind())
        return {kFileFormat, "'" + path + "' holds a " +
                                 (kind != root.end() && kind->is_string() ? kind->get<std::string>()
                                                                          : std::string("different")) +
                                 " map, not a " + map.map_kind() + " map"};
    if (features == root.end() || !features->is_array())
        return not_a_file;

    FeatureHost& host = *map.host();
    std::vector<std::string> skipped;
    std::vector<std::pair<Feature*, const json*>> autos;
    std::vector<std::pair<Feature*, const json*>> selectors;
    {
        std::lock_guard<std::mutex> lock(host.mutex());
        if (Status s = host.access_status(); !s)
            return s;
        ChangeScope scope(host);
        auto apply = [&](Feature* f, const json& j) {
            FeatureValue v;
            Status st;
            const json* value = j.contains("value") ? &j["value"] : nullptr;
            try {
                switch (f->kind) {
                case FeatureKind::Integer:
                    v.i = value->get<int64_t>();
                    break;
                case FeatureKind::Float:
                    v.f = value->get<double>();
                    break;
                case FeatureKind::Boolean:
                    v.i = value->get<bool>() ? 1 : 0;
                    break;
                case FeatureKind::String:
                    v.s = value->get<std::string>();
                    break;
                case FeatureKind::Enumeration: {
                    Feature* e = f->entry_by_name(value->get<std::string>());
                    if (!e)
                        st = {kNotFound, "no such entry"};
                    else
                        v.i = f->entry_index(e);
                    break;
                }
                case FeatureKind::Register: {
                    auto bytes = text::base64_decode(j.at("base64").get<std::string>());
                    if (!bytes)
                        st = {kFileFormat, "bad base64"};
                    else
                        v.bytes = *bytes;
                    break;
                }
                default:
                    st = {kWrongKind, "not a value feature"};
                }
            } catch (const std::exception&) {
                st = {kFileFormat, "wrong value type"};
            }
            if (st && !serialisable(f))
                st = {kAccessDenied, "not writable"};
            // Select the entry this value belongs to.
            int64_t saved_selector = -1;
            if (st && f->selector && j.contains("selectors") && j["selectors"].is_object()) {
                auto it = j["selectors"].find(f->selector->name);
                Feature* e = (it != j["selectors"].end() && it->is_string())
                                 ? f->selector->entry_by_name(it->get<std::string>())
                                 : nullptr;
                if (!e)
                    st = {kNotFound, "unknown selector entry"};
                else {
                    saved_selector = f->selector->values[0].i;
                    f->selector->values[0].i = f->selector->entry_index(e);
                }
            }
            if (st)
                st = host.write_locked(*f, v, Origin::Program);
            if (saved_selector >= 0)
                f->selector->values[0].i = saved_selector;
            if (!st)
                skipped.push_back(f->name + " (" + st.message + ")");
        };
        // Auto functions off first, so that their value features can be written.
        for (const char* name : kAutoSwitches)
            if (Feature* f = map.find(name))
                host.store_int_locked(*f, 0);
        for (const auto& j : *features) {
            if (!j.is_object() || !j.contains("name") || !j["name"].is_string())
                continue;
            std::string name = j["name"].get<std::string>();
            Feature* f = map.find(name);
            if (!f) {
                skipped.push_back(name + " (unknown)");
                continue;
            }
            bool is_selector = false;
            for (const auto& owned : map.owned())
                if (owned->selector == f)
                    is_selector = true;
            if (is_auto_switch(name))
                autos.emplace_back(f, &j);
            else if (is_selector)
                selectors.emplace_back(f, &j);
            else
                apply(f, j);
        }
        for (auto& [f, j] : autos)
            apply(f, *j);
        for (auto& [f, j] : selectors)
            apply(f, *j);
    }
    if (!skipped.empty()) {
        std::string list;
        for (const auto& s : skipped)
            list += (list.empty() ? "" : ", ") + s;
        Log::warn("property file '" + path + "': skipped " + list);
    }
    return {};
}

} // namespace vsxsim
