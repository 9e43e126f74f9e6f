#include "PropertyMap.h"

#include "FeatureHost.h"

#include <algorithm>

namespace vsxsim {

PropertyMap::PropertyMap(FeatureHost* host, std::string kind_name)
    : Handle(HandleKind::PropMap), host_(host), map_kind_(std::move(kind_name))
{
    root_ = create(FeatureKind::Category, "Root", nullptr);
}

PropertyMap::~PropertyMap() = default;

void PropertyMap::on_last_release()
{
    if (host_)
        host_->end_registrations_of(*this);
    delete this;
}

Feature* PropertyMap::find(const std::string& name) const
{
    auto it = by_name_.find(name);
    return it == by_name_.end() ? nullptr : it->second;
}

Feature* PropertyMap::create(FeatureKind kind, const std::string& name, Feature* category)
{
    auto feature = std::make_unique<Feature>(kind, name);
    Feature* f = feature.get();
    f->map = this;
    f->host = host_;
    f->parent = category;
    if (category)
        category->children.push_back(f);
    owned_.push_back(std::move(feature));
    by_name_[name] = f;
    return f;
}

Feature* PropertyMap::create_entry(Feature* enumeration, const std::string& name, int64_t value,
                                   const std::string& display_name)
{
    auto entry = std::make_unique<Feature>(FeatureKind::EnumEntry, name);
    Feature* e = entry.get();
    e->map = this;
    e->host = host_;
    e->owner = enumeration;
    e->entry_value = value;
    e->display_name = display_name.empty() ? name : display_name;
    e->visibility = enumeration->visibility;
    enumeration->entries.push_back(e);
    owned_.push_back(std::move(entry));
    return e;
}

void PropertyMap::remove(const std::string& name)
{
    Feature* f = find(name);
    if (!f || f == root_)
        return;
    by_name_.erase(name);
    if (f->parent) {
        auto& siblings = f->parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), f), siblings.end());
    }
    // The object stays owned (other features' rules may point at it) but is no
    // longer reachable by name or through the tree.
    f->parent = nullptr;
}

namespace {
void collect(const Feature* category, std::vector<Feature*>& out)
{
    for (Feature* f : category->children) {
        if (f->kind == FeatureKind::Category)
            collect(f, out);
        else
            out.push_back(f);
    }
}
} // namespace

std::vector<Feature*> PropertyMap::all_features() const
{
    std::vector<Feature*> out;
    collect(root_, out);
    return out;
}

} // namespace vsxsim
