#pragma once

#include "measure/Configuration.h"

#include <memory>
#include <nlohmann/json_fwd.hpp>
#include <string>
#include <vector>

namespace Measure {

// A named microscope: its magnifications in order, one of them selected. The
// selected magnification of a camera's selected microscope calibrates every
// value measured on that camera.
//
// Threads: no lock of its own. Changes are made on the GUI thread while the
// measure plug-in holds its mutex, which its overlay drawing holds too.
class Microscope {
public:
    // The name with one magnification "1x", selected.
    explicit Microscope(std::wstring name);
    Microscope(const Microscope&) = delete;
    Microscope& operator=(const Microscope&) = delete;

    // One element of "microscopes": "name" (a string), "magnifications" (an
    // array of at least one magnification) and "selected-magnification" (a
    // string). The last magnification of that name is selected, the first
    // when none bears it. Throws std::runtime_error on a missing key, a wrong
    // type, an empty "magnifications" ("magnifications array length is
    // zero.") or a bad magnification (Configuration::fromJson).
    static std::shared_ptr<Microscope> fromJson(const nlohmann::json& value);
    // Replaces the value with {"magnifications", "name", "selected-magnification"}.
    void toJson(nlohmann::json& value) const;

    const std::wstring& name() const { return name_; }
    void setName(std::wstring name) { name_ = std::move(name); }
    // A copy of the list.
    std::vector<std::shared_ptr<Configuration>> magnifications() const { return magnifications_; }
    void addMagnification(std::shared_ptr<Configuration> magnification);
    // Removes the first magnification of that name; the selection stays as it is.
    void removeMagnification(const std::wstring& name);
    // The first magnification of that name, or empty.
    std::shared_ptr<Configuration> magnification(const std::wstring& name) const;
    std::shared_ptr<Configuration> selected() const { return selected_; }
    void setSelected(std::shared_ptr<Configuration> magnification) { selected_ = std::move(magnification); }

private:
    Microscope() = default;

    std::wstring name_;
    std::vector<std::shared_ptr<Configuration>> magnifications_;
    std::shared_ptr<Configuration> selected_;
};

} // namespace Measure
