#include "AddedFeatures.h"

#include "ConfigJson.h"
#include "Feature.h"
#include "FeatureBuilder.h"
#include "Log.h"
#include "PropertyMap.h"
#include "TextUtil.h"

#include <nlohmann/json.hpp>
#include <set>

namespace vsxsim {

using nlohmann::json;

namespace {

int kind_of(const std::string& name)
{
    static const std::pair<const char*, FeatureKind> kinds[] = {
        {"integer", FeatureKind::Integer},         {"float", FeatureKind::Float},
        {"enumeration", FeatureKind::Enumeration}, {"boolean", FeatureKind::Boolean},
        {"string", FeatureKind::String},           {"command", FeatureKind::Command}};
    const std::string wanted = text::lower(name);
    for (const auto& [text, kind] : kinds)
        if (wanted == text)
            return static_cast<int>(kind);
    return 0;
}

// "A/B" or ["A", "B"]; false when it is neither.
bool read_category(const json& j, std::vector<std::string>& path, const std::string& where)
{
    auto it = j.find("category");
    if (it == j.end() || it->is_null())
        return true;
    std::vector<std::string> parts;
    if (it->is_string()) {
        std::string rest = it->get<std::string>();
        size_t pos = 0;
        while (pos <= rest.size()) {
            size_t end = rest.find('/', pos);
            if (end == std::string::npos)
                end = rest.size();
            parts.push_back(rest.substr(pos, end - pos));
            pos = end + 1;
        }
    } else if (it->is_array()) {
        for (const auto& part : *it) {
            if (!part.is_string()) {
                Log::warn(where + ": 'category' must be a path of names");
                return false;
            }
            parts.push_back(part.get<std::string>());
        }
    } else {
        Log::warn(where + ": 'category' must be \"A/B\" or [\"A\", \"B\"]");
        return false;
    }
    for (const auto& part : parts) {
        if (part.empty()) {
            Log::warn(where + ": 'category' has an empty name");
            return false;
        }
    }
    path = parts;
    return true;
}

bool read_entries(const json& j, AddedFeature& f, const std::string& where)
{
    auto it = j.find("entries");
    if (it == j.end() || !it->is_array() || it->empty()) {
        Log::warn(where + ": an enumeration needs a list of 'entries'; skipped");
        return false;
    }
    std::set<std::string> seen;
    int64_t position = 0;
    for (const auto& e : *it) {
        AddedFeature::Entry entry;
        entry.value = position++;
        if (e.is_string()) {
            entry.name = e.get<std::string>();
        } else if (e.is_object()) {
            const std::string at = where + " entry";
            field(e, "name", entry.name, at);
            field(e, "displayName", entry.display_name, at);
            field(e, "description", entry.description, at);
            field(e, "value", entry.value, at);
        }
        if (entry.name.empty()) {
            Log::warn(where + ": an entry without a name is skipped");
            continue;
        }
        if (!seen.insert(entry.name).second) {
            Log::warn(where + ": entry '" + entry.name + "' is listed twice; the second is skipped");
            continue;
        }
        f.entries.push_back(entry);
    }
    if (f.entries.empty()) {
        Log::warn(where + ": an enumeration needs at least one entry; skipped");
        return false;
    }
    return true;
}

bool read_range(const json& j, AddedFeature& f, const std::string& where)
{
    if (f.kind == static_cast<int>(FeatureKind::Integer)) {
        field(j, "min", f.imin, where);
        field(j, "max", f.imax, where);
        field(j, "increment", f.iinc, where);
        if (f.imin > f.imax) {
            Log::warn(where + ": 'min' is above 'max'; skipped");
            return false;
        }
        if (f.iinc < 1) {
            Log::warn(where + ": 'increment' must be at least 1; 1 is used");
            f.iinc = 1;
        }
        field(j, "validValues", f.ivalid, where);
    } else {
        field(j, "min", f.fmin, where);
        field(j, "max", f.fmax, where);
        field(j, "increment", f.finc, where);
        if (!(f.fmin <= f.fmax)) {
            Log::warn(where + ": 'min' is above 'max'; skipped");
            return false;
        }
        if (!(f.finc >= 0.0)) {
            Log::warn(where + ": 'increment' must not be negative; 0 is used");
            f.finc = 0.0;
        }
        field(j, "validValues", f.fvalid, where);
    }
    return true;
}

// Reads a small code and keeps the default when it lies outside [0, highest].
void read_code(const json& j, const char* key, int& out, int highest, const std::string& where)
{
    int value = out;
    if (!field(j, key, value, where))
        return;
    if (value < 0 || value > highest) {
        Log::warn(where + ": '" + key + "' must lie in 0.." + std::to_string(highest) +
                  "; the default is kept");
        return;
    }
    out = value;
}

// The category of that name directly below parent, or null.
Feature* child_category(const Feature& parent, const std::string& name)
{
    for (Feature* child : parent.children)
        if (child->kind == FeatureKind::Category && child->name == name)
            return child;
    return nullptr;
}

} // namespace

void parse_added_features(const json& camera, CameraSetup& setup, const std::string& where)
{
    auto list = camera.find("add");
    if (list == camera.end() || list->is_null())
        return;
    if (!list->is_array()) {
        Log::warn(where + ": 'add' must be an array of features");
        return;
    }
    std::vector<std::pair<std::string, std::string>> values;
    for (const auto& j : *list) {
        if (!j.is_object()) {
            Log::warn(where + ": an added feature that is not an object is skipped");
            continue;
        }
        AddedFeature f;
        field(j, "name", f.name, where);
        if (f.name.empty()) {
            Log::warn(where + ": an added feature without 'name' is skipped");
            continue;
        }
        const std::string at = where + ", added feature " + f.name;
        std::string kind;
        field(j, "kind", kind, at);
        f.kind = kind_of(kind);
        if (f.kind == 0) {
            Log::warn(at +
                      ": 'kind' must be Integer, Float, Enumeration, Boolean, String or Command; skipped");
            continue;
        }
        if (!read_category(j, f.category, at))
            continue;
        const bool numeric = f.kind == static_cast<int>(FeatureKind::Integer) ||
                             f.kind == static_cast<int>(FeatureKind::Float);
        if (numeric && !read_range(j, f, at))
            continue;
        if (f.kind == static_cast<int>(FeatureKind::Enumeration) && !read_entries(j, f, at))
            continue;
        field(j, "displayName", f.display_name, at);
        field(j, "description", f.description, at);
        field(j, "tooltip", f.tooltip, at);
        field(j, "unit", f.unit, at);
        field(j, "maxLength", f.max_length, at);
        if (f.max_length < 0)
            f.max_length = 0;
        if (numeric) {
            // A float may carry any of the integer codes too, as a camera that
            // numbers its float representations like its integer ones does.
            read_code(j, "representation", f.representation, 6, at);
            read_code(j, "incrementMode", f.inc_mode, 2, at);
            if (f.kind == static_cast<int>(FeatureKind::Float)) {
                read_code(j, "notation", f.notation, 2, at);
                read_code(j, "precision", f.precision, 17, at);
            }
            const bool has_set =
                f.kind == static_cast<int>(FeatureKind::Integer) ? !f.ivalid.empty() : !f.fvalid.empty();
            if (f.inc_mode == 1 && !has_set) {
                Log::warn(at + ": increment mode 1 needs 'validValues'; the default mode is kept");
                f.inc_mode = -1;
            }
            // A float given a step uses it unless told otherwise.
            if (f.inc_mode == -1 && f.kind == static_cast<int>(FeatureKind::Float) && f.finc > 0.0)
                f.inc_mode = 0;
        }
        read_code(j, "visibility", f.visibility, 3, at);
        field(j, "readOnly", f.read_only, at);
        field(j, "available", f.available, at);
        if (auto v = j.find("value"); v != j.end() && !v->is_null())
            values.emplace_back(f.name, value_text(*v));
        setup.add.push_back(f);
    }
    setup.features.insert(setup.features.begin(), values.begin(), values.end());
}

void build_added_features(PropertyMap& map, const std::vector<AddedFeature>& added, const std::string& where)
{
    FeatureBuilder b(map);
    for (const AddedFeature& f : added) {
        const std::string at = where + ", added feature " + f.name;
        // The category path from "Root", made where it is missing.
        Feature* category = map.root();
        bool placed = true;
        for (const auto& part : f.category) {
            if (Feature* child = child_category(*category, part)) {
                category = child;
                continue;
            }
            if (map.find(part)) {
                Log::warn(at + ": a new category cannot take the name of feature '" + part + "'; skipped");
                placed = false;
                break;
            }
            category = b.category(category, part);
        }
        if (!placed)
            continue;
        if (Feature* old = map.find(f.name)) {
            if (old->kind == FeatureKind::Category) {
                Log::warn(at + ": a category has that name; skipped");
                continue;
            }
            map.remove(f.name);
        }
        Feature* feature = nullptr;
        switch (static_cast<FeatureKind>(f.kind)) {
        case FeatureKind::Integer:
            feature = b.integer(category, f.name, f.imin, f.imax, f.iinc, f.imin, f.visibility);
            feature->ivalid = f.ivalid;
            break;
        case FeatureKind::Float:
            feature = b.floating(category, f.name, f.fmin, f.fmax, f.fmin, f.unit, f.visibility);
            feature->finc = f.finc;
            feature->fvalid = f.fvalid;
            feature->notation = f.notation;
            feature->precision = f.precision;
            break;
        case FeatureKind::Enumeration: {
            std::vector<FeatureBuilder::Entry> entries;
            for (const auto& e : f.entries)
                entries.push_back({e.name, e.value, e.display_name});
            feature = b.enumeration(category, f.name, entries, 0, f.visibility);
            for (size_t i = 0; i < f.entries.size(); ++i)
                feature->entries[i]->description = f.entries[i].description;
            break;
        }
        case FeatureKind::Boolean:
            feature = b.boolean(category, f.name, false, f.visibility);
            break;
        case FeatureKind::String:
            feature = b.string(category, f.name, "", f.max_length, f.visibility);
            break;
        default:
            feature = b.command(category, f.name, f.visibility);
            break;
        }
        if (!f.display_name.empty())
            feature->display_name = f.display_name;
        feature->description = f.description;
        feature->tooltip = f.tooltip;
        feature->unit = f.unit;
        feature->representation = f.representation;
        if (f.inc_mode >= 0)
            feature->inc_mode = f.inc_mode;
        feature->read_only = f.read_only;
        if (!f.available)
            feature->available_if = [] { return false; };
    }
}

} // namespace vsxsim
