#include "measure/Microscope.h"

#include "app/Utf8.h"

#include <nlohmann/json.hpp>
#include <stdexcept>

using nlohmann::json;

namespace Measure {

Microscope::Microscope(std::wstring name) : name_(std::move(name))
{
    selected_ = std::make_shared<Configuration>(L"1x");
    magnifications_.push_back(selected_);
}

std::shared_ptr<Microscope> Microscope::fromJson(const json& value)
{
    if (!value.is_object())
        throw std::runtime_error("A microscope must be a JSON object.");
    const auto name = value.find("name");
    if (name == value.end() || !name->is_string())
        throw std::runtime_error("A microscope's \"name\" must be a string.");
    const auto selectedName = value.find("selected-magnification");
    if (selectedName == value.end() || !selectedName->is_string())
        throw std::runtime_error("A microscope's \"selected-magnification\" must be a string.");
    const std::wstring wanted = app::utf8_to_wide(selectedName->get<std::string>());

    std::shared_ptr<Microscope> microscope(new Microscope());
    microscope->name_ = app::utf8_to_wide(name->get<std::string>());
    const auto list = value.find("magnifications");
    if (list != value.end() && !list->is_array())
        throw std::runtime_error("A microscope's \"magnifications\" must be an array.");
    if (list != value.end()) {
        for (const json& element : *list) {
            auto magnification = Configuration::fromJson(element);
            if (magnification->name() == wanted)
                microscope->selected_ = magnification;
            microscope->magnifications_.push_back(std::move(magnification));
        }
    }
    if (microscope->magnifications_.empty())
        throw std::runtime_error("magnifications array length is zero.");
    if (!microscope->selected_)
        microscope->selected_ = microscope->magnifications_.front();
    return microscope;
}

void Microscope::toJson(json& value) const
{
    value = json::object();
    json list = json::array();
    for (const auto& magnification : magnifications_) {
        json element;
        magnification->toJson(element);
        list.push_back(std::move(element));
    }
    value["magnifications"] = std::move(list);
    value["name"] = app::wide_to_utf8(name_);
    value["selected-magnification"] = selected_ ? app::wide_to_utf8(selected_->name()) : std::string();
}

void Microscope::addMagnification(std::shared_ptr<Configuration> magnification)
{
    if (magnification)
        magnifications_.push_back(std::move(magnification));
}

void Microscope::removeMagnification(const std::wstring& name)
{
    for (auto it = magnifications_.begin(); it != magnifications_.end(); ++it) {
        if ((*it)->name() == name) {
            magnifications_.erase(it);
            return;
        }
    }
}

std::shared_ptr<Configuration> Microscope::magnification(const std::wstring& name) const
{
    for (const auto& m : magnifications_)
        if (m->name() == name)
            return m;
    return nullptr;
}

} // namespace Measure
