#pragma once

#include "Feature.h"
#include "Handle.h"

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace vsxsim {

class FeatureHost;

// A property map (vsx_propmap): owns its features, finds them by name and
// keeps the category tree below "Root".
class PropertyMap : public Handle {
public:
    PropertyMap(FeatureHost* host, std::string kind_name);

    FeatureHost* host() const { return host_; }
    const std::string& map_kind() const { return map_kind_; }
    Feature* root() const { return root_; }
    Feature* find(const std::string& name) const;

    // Building (before the map is handed out).
    Feature* create(FeatureKind kind, const std::string& name, Feature* category);
    Feature* create_entry(Feature* enumeration, const std::string& name, int64_t value,
                          const std::string& display_name);
    void remove(const std::string& name);

    // Every non-category feature in depth-first order of the category tree.
    std::vector<Feature*> all_features() const;
    const std::vector<std::unique_ptr<Feature>>& owned() const { return owned_; }

    // Keeps the host alive for maps whose host is not library-lived (writers).
    void set_keep_alive(std::shared_ptr<void> keep) { keep_alive_ = std::move(keep); }

protected:
    ~PropertyMap() override;
    void on_last_release() override;

private:
    FeatureHost* host_;
    std::string map_kind_;
    Feature* root_ = nullptr;
    std::vector<std::unique_ptr<Feature>> owned_;
    std::unordered_map<std::string, Feature*> by_name_;
    std::shared_ptr<void> keep_alive_;
};

} // namespace vsxsim
