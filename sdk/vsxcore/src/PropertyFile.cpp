#include "PropertyFile.h"

#include "Camera.h"
#include "FeatureHost.h"
#include "JsonInput.h"
#include "Log.h"
#include "PropertyMap.h"
#include "TextUtil.h"
#include "media/AtomicFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

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

// Written under the target's temporary name, synced and renamed over it.
Status write_atomically(const std::string& path, const std::string& text)
{
    media::AtomicFile file(path);
    if (media::Status opened = file.open(); !opened.ok())
        return {opened.code, opened.message};
    file.write(text.data(), text.size());
    media::Status committed = file.commit();
    return committed.ok() ? Status{} : Status{committed.code, committed.message};
}

// One entry of a file, checked and converted before anything is written.
struct Prepared {
    Feature* feature = nullptr;
    FeatureValue value;
    int64_t selector_index = -1; // the selector entry the value belongs to; -1: the current one
};

bool is_scalar(const json& v)
{
    return v.is_string() || v.is_number() || v.is_boolean();
}

// Why an entry's value does not fit its feature; empty when it does.
std::string convert(const Feature& f, const json& j, FeatureValue& v, std::string& skip)
{
    if (f.kind == FeatureKind::Register) {
        auto it = j.find("base64");
        if (it == j.end() || !it->is_string())
            return "has no \"base64\" text";
        auto bytes = text::base64_decode(it->get<std::string>());
        if (!bytes)
            return "has a \"base64\" text that is not Base64";
        v.bytes = std::move(*bytes);
        return {};
    }
    auto it = j.find("value");
    if (it == j.end())
        return "has no \"value\"";
    const json& value = *it;
    if (!is_scalar(value))
        return "has a \"value\" that is not a number, text or truth value";
    switch (f.kind) {
    case FeatureKind::Integer:
        if (value.is_number_integer() && !value.is_number_unsigned()) {
            v.i = value.get<int64_t>();
            return {};
        }
        if (value.is_number_unsigned()) {
            if (value.get<uint64_t>() > static_cast<uint64_t>(INT64_MAX))
                return "has a \"value\" outside the 64-bit range";
            v.i = static_cast<int64_t>(value.get<uint64_t>());
            return {};
        }
        if (value.is_number_float()) {
            const double d = value.get<double>();
            // 2^63 is the first double past the range.
            if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0) || std::trunc(d) != d)
                return "has a \"value\" that is not a 64-bit integer";
            v.i = static_cast<int64_t>(d);
            return {};
        }
        return "has a \"value\" that is not an integer";
    case FeatureKind::Float:
        if (!value.is_number())
            return "has a \"value\" that is not a number";
        v.f = value.get<double>();
        return {};
    case FeatureKind::Boolean:
        if (!value.is_boolean())
            return "has a \"value\" that is not true or false";
        v.i = value.get<bool>() ? 1 : 0;
        return {};
    case FeatureKind::String:
        if (!value.is_string())
            return "has a \"value\" that is not a text";
        v.s = value.get<std::string>();
        return {};
    case FeatureKind::Enumeration: {
        if (!value.is_string())
            return "has a \"value\" that is not an entry name";
        const Feature* e = f.entry_by_name(value.get<std::string>());
        if (!e)
            skip = "no entry '" + value.get<std::string>() + "'";
        else
            v.i = f.entry_index(e);
        return {};
    }
    default:
        skip = "not a value feature";
        return {};
    }
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
    std::string text;
    if (Status read = json_input::read_file(path, text); !read)
        return read;
    auto not_a_file = Status{kFileFormat, "'" + path + "' is not a property-map file"};
    json root;
    if (Status parsed = json_input::parse(text, root); !parsed)
        return {kFileFormat, not_a_file.message + ": " + parsed.message};
    if (!root.is_object())
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
    std::lock_guard<std::mutex> lock(host.mutex());
    if (Status s = host.access_status(); !s)
        return s;

    // Every entry is checked before the first write: a malformed one fails the
    // whole file and leaves the camera as it was. Entries this camera does not
    // know (another model's features, entries and selector entries) are skipped.
    std::vector<Prepared> autos, values, selectors;
    for (size_t index = 0; index < features->size(); ++index) {
        const json& j = (*features)[index];
        const std::string entry = "'" + path + "': feature entry " + std::to_string(index + 1);
        if (!j.is_object())
            return {kFileFormat, entry + " is not an object"};
        auto name_it = j.find("name");
        if (name_it == j.end() || !name_it->is_string() || name_it->get<std::string>().empty())
            return {kFileFormat, entry + " has no \"name\""};
        const std::string name = name_it->get<std::string>();
        const std::string named = entry + " (\"" + name + "\") ";
        auto sel_it = j.find("selectors");
        if (sel_it != j.end()) {
            if (!sel_it->is_object())
                return {kFileFormat, named + "has \"selectors\" that are not an object"};
            for (const auto& [selector, choice] : sel_it->items())
                if (!choice.is_string())
                    return {kFileFormat, named + "names no entry of the selector \"" + selector + "\""};
        }
        Feature* f = map.find(name);
        if (!f) {
            // Still a well-formed entry: a value or a register's bytes.
            auto value = j.find("value");
            auto bytes = j.find("base64");
            if ((value == j.end() || !is_scalar(*value)) && (bytes == j.end() || !bytes->is_string()))
                return {kFileFormat, named + "has no \"value\""};
            skipped.push_back(name + " (unknown)");
            continue;
        }
        Prepared p;
        p.feature = f;
        std::string skip;
        if (std::string fault = convert(*f, j, p.value, skip); !fault.empty())
            return {kFileFormat, named + fault};
        if (skip.empty() && !serialisable(f))
            skip = "not writable";
        if (skip.empty() && f->selector && sel_it != j.end()) {
            auto choice = sel_it->find(f->selector->name);
            const Feature* e =
                choice != sel_it->end() ? f->selector->entry_by_name(choice->get<std::string>()) : nullptr;
            if (!e)
                skip = "unknown selector entry";
            else
                p.selector_index = f->selector->entry_index(e);
        }
        if (!skip.empty()) {
            skipped.push_back(name + " (" + skip + ")");
            continue;
        }
        bool is_selector = false;
        for (const auto& owned : map.owned())
            if (owned->selector == f)
                is_selector = true;
        if (is_auto_switch(name))
            autos.push_back(std::move(p));
        else if (is_selector)
            selectors.push_back(std::move(p));
        else
            values.push_back(std::move(p));
    }

    ChangeScope scope(host);
    auto apply = [&](Prepared& p) {
        Feature& f = *p.feature;
        // Select the entry this value belongs to.
        int64_t saved_selector = -1;
        if (p.selector_index >= 0) {
            saved_selector = f.selector->values[0].i;
            f.selector->values[0].i = p.selector_index;
        }
        Status st = host.write_locked(f, p.value, Origin::Program);
        if (saved_selector >= 0)
            f.selector->values[0].i = saved_selector;
        if (!st)
            skipped.push_back(f.name + " (" + st.message + ")");
    };
    // Auto functions off first, so that their value features can be written;
    // the file's auto settings follow the values, the selectors come last.
    for (const char* name : kAutoSwitches)
        if (Feature* f = map.find(name))
            host.store_int_locked(*f, 0);
    for (auto& p : values)
        apply(p);
    for (auto& p : autos)
        apply(p);
    for (auto& p : selectors)
        apply(p);
    if (!skipped.empty()) {
        std::string list;
        for (const auto& s : skipped)
            list += (list.empty() ? "" : ", ") + s;
        Log::warn("property file '" + path + "': skipped " + list);
    }
    return {};
}

} // namespace vsxsim
