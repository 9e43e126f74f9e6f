#include "app/ParameterContainer.h"

#include "app/JsonText.h"
#include "app/TextFile.h"
#include "app/Utf8.h"

#include <filesystem>
#include <limits>
#include <mutex>
#include <nlohmann/json.hpp>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <utility>

namespace fs = std::filesystem;
using nlohmann::json;

namespace helper {

namespace {

// UTF-8 for log lines: never throws (a character that is not valid Unicode
// becomes U+FFFD).
std::string log_text(const std::wstring& text)
{
    std::wstring clean = text;
    for (wchar_t& c : clean) {
        const auto cp = static_cast<uint32_t>(c);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            c = L'\uFFFD';
    }
    return app::wide_to_utf8(clean);
}

const json& null_json()
{
    static const json kNull;
    return kNull;
}

// node[key] without changing anything: a null node reads as an empty object,
// a missing key as null, and anything else that is not an object is an error.
const json& member(const json& node, const std::string& key, const std::string& where)
{
    if (node.is_null())
        return null_json();
    if (!node.is_object())
        throw std::runtime_error(where + " is " + node.type_name() + ", not an object");
    const auto it = node.find(key);
    return it == node.end() ? null_json() : *it;
}

const char* kind_text(ParameterKind kind)
{
    switch (kind) {
    case ParameterKind::INT:
        return "INT";
    case ParameterKind::FLOAT:
        return "FLOAT";
    case ParameterKind::BOOL:
        return "BOOL";
    case ParameterKind::LIST:
        return "LIST";
    case ParameterKind::STRING:
        return "STRING";
    case ParameterKind::COLOR:
        return "COLOR";
    }
    return "";
}

// A JSON integer as a 64-bit value; unsigned values above the signed range
// saturate (an INT parameter clamps them to its maximum anyway).
int64_t json_int64(const json& value)
{
    if (value.is_number_unsigned()) {
        const auto u = value.get<uint64_t>();
        return u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())
                   ? std::numeric_limits<int64_t>::max()
                   : static_cast<int64_t>(u);
    }
    return value.get<int64_t>();
}

uint32_t json_low32(const json& value)
{
    if (value.is_number_unsigned())
        return static_cast<uint32_t>(value.get<uint64_t>());
    return static_cast<uint32_t>(static_cast<uint64_t>(value.get<int64_t>()));
}

void warn_unknown(const char* text, const std::wstring& name)
{
    spdlog::warn("{}{}", text, log_text(name));
}

} // namespace

ParameterContainer::ParameterContainer() : notifier_(std::make_shared<detail::ChangeNotifier>()) {}

ParameterContainer::ParameterContainer(const ParameterContainer& other)
    : notifier_(std::make_shared<detail::ChangeNotifier>())
{
    std::shared_lock lock(other.mutex_);
    lookup_ = other.lookup_;
    list_ = other.list_;
    notifier_->set(other.notifier_->get());
}

ParameterContainer& ParameterContainer::operator=(const ParameterContainer& other)
{
    if (this == &other)
        return *this;
    std::map<std::wstring, std::shared_ptr<Parameter>> lookup;
    std::vector<std::shared_ptr<Parameter>> list;
    {
        std::shared_lock lock(other.mutex_);
        lookup = other.lookup_;
        list = other.list_;
    }
    {
        std::unique_lock lock(mutex_);
        lookup_ = std::move(lookup);
        list_ = std::move(list);
    }
    notifier_->set(other.notifier_->get());
    return *this;
}

ParameterContainer::~ParameterContainer() = default;

template <class T>
std::shared_ptr<T> ParameterContainer::find(const std::wstring& name, ParameterKind kind) const
{
    std::shared_lock lock(mutex_);
    const auto it = lookup_.find(name);
    if (it == lookup_.end() || it->second->kind() != kind)
        return nullptr;
    return std::static_pointer_cast<T>(it->second);
}

template <class T, class... Args>
std::shared_ptr<T> ParameterContainer::create(const std::wstring& name, ParameterKind kind, Args&&... args)
{
    std::unique_lock lock(mutex_);
    const auto it = lookup_.find(name);
    if (it != lookup_.end()) {
        if (it->second->kind() != kind)
            throw std::runtime_error("Parameter already exists with different type: " + log_text(name));
        return std::static_pointer_cast<T>(it->second);
    }
    auto parameter = std::make_shared<T>(Parameter::Key(), name, this,
                                         std::weak_ptr<const detail::ChangeNotifier>(notifier_),
                                         std::forward<Args>(args)...);
    lookup_.emplace(name, parameter);
    list_.push_back(parameter);
    return parameter;
}

std::shared_ptr<IntParameter> ParameterContainer::addInt(const std::wstring& name, int64_t minimum,
                                                         int64_t maximum, int64_t defaultValue)
{
    return createInt(name, defaultValue, minimum, maximum, defaultValue);
}

std::shared_ptr<floatParameter> ParameterContainer::addFloat(const std::wstring& name, double minimum,
                                                             double maximum, double defaultValue)
{
    return createFloat(name, defaultValue, minimum, maximum, defaultValue);
}

std::shared_ptr<boolParameter> ParameterContainer::addBool(const std::wstring& name, bool defaultValue)
{
    return createBool(name, defaultValue, defaultValue);
}

std::shared_ptr<listParameter> ParameterContainer::addList(const std::wstring& name,
                                                           const std::vector<std::wstring>& entries,
                                                           const std::wstring& defaultValue)
{
    return createList(name, entries, defaultValue, defaultValue);
}

std::shared_ptr<stringParameter> ParameterContainer::addString(const std::wstring& name,
                                                               const std::wstring& defaultValue)
{
    return createString(name, defaultValue, defaultValue);
}

std::shared_ptr<ColorParamater> ParameterContainer::addColor(const std::wstring& name, uint32_t defaultValue)
{
    return createColor(name, defaultValue, defaultValue);
}

std::shared_ptr<IntParameter> ParameterContainer::createInt(const std::wstring& name, int64_t defaultValue,
                                                            int64_t minimum, int64_t maximum, int64_t value)
{
    return create<IntParameter>(name, ParameterKind::INT, defaultValue, minimum, maximum, value);
}

std::shared_ptr<floatParameter> ParameterContainer::createFloat(const std::wstring& name, double defaultValue,
                                                                double minimum, double maximum, double value)
{
    return create<floatParameter>(name, ParameterKind::FLOAT, defaultValue, minimum, maximum, value);
}

std::shared_ptr<boolParameter> ParameterContainer::createBool(const std::wstring& name, bool defaultValue,
                                                              bool value)
{
    return create<boolParameter>(name, ParameterKind::BOOL, defaultValue, value);
}

std::shared_ptr<listParameter> ParameterContainer::createList(const std::wstring& name,
                                                              const std::vector<std::wstring>& entries,
                                                              const std::wstring& defaultValue,
                                                              const std::wstring& value)
{
    return create<listParameter>(name, ParameterKind::LIST, entries, defaultValue, value);
}

std::shared_ptr<stringParameter> ParameterContainer::createString(const std::wstring& name,
                                                                  const std::wstring& defaultValue,
                                                                  const std::wstring& value)
{
    return create<stringParameter>(name, ParameterKind::STRING, defaultValue, value);
}

std::shared_ptr<ColorParamater> ParameterContainer::createColor(const std::wstring& name,
                                                                uint32_t defaultValue, uint32_t value)
{
    return create<ColorParamater>(name, ParameterKind::COLOR, defaultValue, value);
}

void ParameterContainer::setInt(const std::wstring& name, int32_t value)
{
    setInt64(name, value);
}

void ParameterContainer::setInt64(const std::wstring& name, int64_t value)
{
    if (const auto p = find<IntParameter>(name, ParameterKind::INT))
        p->setValue(value);
}

void ParameterContainer::setFloat(const std::wstring& name, double value)
{
    if (const auto p = find<floatParameter>(name, ParameterKind::FLOAT))
        p->setValue(value);
}

void ParameterContainer::setBool(const std::wstring& name, bool value)
{
    if (const auto p = find<boolParameter>(name, ParameterKind::BOOL))
        p->setValue(value);
}

void ParameterContainer::setString(const std::wstring& name, const std::wstring& value)
{
    if (const auto p = find<stringParameter>(name, ParameterKind::STRING))
        p->setValue(value);
}

void ParameterContainer::setList(const std::wstring& name, const std::wstring& value)
{
    if (const auto p = find<listParameter>(name, ParameterKind::LIST))
        p->setValue(value);
}

void ParameterContainer::setColor(const std::wstring& name, uint32_t value)
{
    if (const auto p = find<ColorParamater>(name, ParameterKind::COLOR))
        p->setValue(value);
}

bool ParameterContainer::getBool(const std::wstring& name) const
{
    if (const auto p = find<boolParameter>(name, ParameterKind::BOOL))
        return p->value();
    warn_unknown("Unknow BOOL Parameter: ", name);
    return false;
}

int64_t ParameterContainer::getInt(const std::wstring& name) const
{
    if (const auto p = find<IntParameter>(name, ParameterKind::INT))
        return p->value();
    warn_unknown("Unknown int Parameters: ", name);
    return 0;
}

double ParameterContainer::getFloat(const std::wstring& name) const
{
    if (const auto p = find<floatParameter>(name, ParameterKind::FLOAT))
        return p->value();
    warn_unknown("Unknow Float Parameter: ", name);
    return 0.0;
}

uint32_t ParameterContainer::getColor(const std::wstring& name) const
{
    if (const auto p = find<ColorParamater>(name, ParameterKind::COLOR))
        return p->value();
    warn_unknown("Unknow COLOR Parameter: ", name);
    return 0;
}

std::wstring ParameterContainer::getList(const std::wstring& name) const
{
    if (const auto p = find<listParameter>(name, ParameterKind::LIST))
        return p->value();
    warn_unknown("Unknow LIST Parameter: ", name);
    return {};
}

std::wstring ParameterContainer::getString(const std::wstring& name) const
{
    if (const auto p = find<stringParameter>(name, ParameterKind::STRING))
        return p->value();
    warn_unknown("Unknow STRING Parameter: ", name);
    return {};
}

std::shared_ptr<Parameter> ParameterContainer::findParameter(const std::wstring& name) const
{
    std::shared_lock lock(mutex_);
    const auto it = lookup_.find(name);
    return it == lookup_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Parameter>> ParameterContainer::parameters() const
{
    std::shared_lock lock(mutex_);
    return list_;
}

void ParameterContainer::setChangeCallback(ChangeCallback callback)
{
    notifier_->set(std::move(callback));
}

std::string ParameterContainer::serialize() const
{
    try {
        json params = json::object();
        for (const auto& p : parameters()) {
            json entry = json::object();
            entry["type"] = kind_text(p->kind());
            switch (p->kind()) {
            case ParameterKind::INT: {
                const auto& q = static_cast<const IntParameter&>(*p);
                entry["min"] = q.minimum();
                entry["max"] = q.maximum();
                entry["value"] = q.value();
                break;
            }
            case ParameterKind::FLOAT: {
                const auto& q = static_cast<const floatParameter&>(*p);
                entry["min"] = q.minimum();
                entry["max"] = q.maximum();
                entry["value"] = q.value();
                break;
            }
            case ParameterKind::BOOL:
                entry["value"] = static_cast<const boolParameter&>(*p).value();
                break;
            case ParameterKind::LIST: {
                const auto& q = static_cast<const listParameter&>(*p);
                json values = json::array();
                for (const std::wstring& item : q.items())
                    values.push_back(app::wide_to_utf8(item));
                entry["values"] = std::move(values);
                entry["value"] = app::wide_to_utf8(q.value());
                break;
            }
            case ParameterKind::STRING:
                entry["value"] = app::wide_to_utf8(static_cast<const stringParameter&>(*p).value());
                break;
            case ParameterKind::COLOR:
                // Written as a signed 32-bit number: a set top bit comes out negative.
                entry["value"] = static_cast<int32_t>(static_cast<const ColorParamater&>(*p).value());
                break;
            }
            params[app::wide_to_utf8(p->name())] = std::move(entry);
        }
        json root = json::object();
        root["paramaters"] = std::move(params);
        return root.dump(4);
    } catch (const std::exception& e) {
        spdlog::error("Failed to serialize parmeters. what(): {}", e.what());
        return {};
    }
}

void ParameterContainer::deserialize(const std::string& text)
{
    try {
        const json root = app::parse_json(text);
        const json& params = member(root, "paramaters", "the root");

        std::map<std::wstring, std::shared_ptr<Parameter>> lookup;
        {
            std::shared_lock lock(mutex_);
            lookup = lookup_;
        }

        // Check the whole text first and apply afterwards, so that a file with
        // a broken entry changes nothing.
        std::vector<std::function<void()>> changes;
        for (const auto& [name, p] : lookup) {
            const std::string key = app::wide_to_utf8(name);
            const json& entry = member(params, key, "\"paramaters\"");
            const json& value = member(entry, "value", "\"paramaters\"/\"" + key + "\"");
            switch (p->kind()) {
            case ParameterKind::INT:
                if (value.is_number_integer())
                    changes.emplace_back([q = std::static_pointer_cast<IntParameter>(p),
                                          v = json_int64(value)] { q->setValue(v); });
                break;
            case ParameterKind::FLOAT:
                if (value.is_number_float())
                    changes.emplace_back([q = std::static_pointer_cast<floatParameter>(p),
                                          v = value.get<double>()] { q->setValue(v); });
                break;
            case ParameterKind::BOOL:
                if (value.is_boolean())
                    changes.emplace_back([q = std::static_pointer_cast<boolParameter>(p),
                                          v = value.get<bool>()] { q->setValue(v); });
                break;
            case ParameterKind::LIST:
                if (value.is_string())
                    changes.emplace_back(
                        [q = std::static_pointer_cast<listParameter>(p),
                         v = app::utf8_to_wide(value.get<std::string>())] { q->setValue(v); });
                break;
            case ParameterKind::STRING:
                if (value.is_string())
                    changes.emplace_back(
                        [q = std::static_pointer_cast<stringParameter>(p),
                         v = app::utf8_to_wide(value.get<std::string>())] { q->setValue(v); });
                break;
            case ParameterKind::COLOR:
                if (value.is_number_integer())
                    changes.emplace_back([q = std::static_pointer_cast<ColorParamater>(p),
                                          v = json_low32(value)] { q->setValue(v); });
                break;
            }
        }
        for (const auto& change : changes)
            change();
    } catch (const std::exception& e) {
        spdlog::error("Failed to desialize paramater data. what(): {}", e.what());
    }
}

void ParameterContainer::loadFromFile(const std::wstring& path)
{
    try {
        if (!fs::exists(app::path_from_wide(path)))
            return;
        deserialize(app::read_text_file(path));
    } catch (const std::exception& e) {
        spdlog::error("Failed to load ParameterContainer from file: {0}. what(): {1}", log_text(path),
                      e.what());
    }
}

bool ParameterContainer::saveToFile(const std::wstring& path) const
{
    try {
        const std::string text = serialize();
        if (text.empty())
            throw std::runtime_error("nothing to write");
        app::write_text_file(path, text);
        return true;
    } catch (const std::exception&) {
        spdlog::error("Failed to save ParameterContainer to file: {0}", log_text(path));
        return false;
    }
}

} // namespace helper
