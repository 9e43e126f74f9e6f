#include "FeatureBuilder.h"

#include "PropertyMap.h"

namespace vsxsim {

FeatureBuilder::FeatureBuilder(PropertyMap& map) : map_(map) {}

Feature* FeatureBuilder::root() const
{
    return map_.root();
}

Feature* FeatureBuilder::category(Feature* parent, const std::string& name, int visibility)
{
    Feature* f = map_.create(FeatureKind::Category, name, parent ? parent : map_.root());
    f->visibility = visibility;
    return f;
}

Feature* FeatureBuilder::integer(Feature* cat, const std::string& name, int64_t min, int64_t max, int64_t inc,
                                 int64_t value, int visibility)
{
    Feature* f = map_.create(FeatureKind::Integer, name, cat);
    f->imin = min;
    f->imax = max;
    f->iinc = inc < 1 ? 1 : inc;
    f->values[0].i = value;
    f->visibility = visibility;
    return f;
}

Feature* FeatureBuilder::floating(Feature* cat, const std::string& name, double min, double max, double value,
                                  const std::string& unit, int visibility)
{
    Feature* f = map_.create(FeatureKind::Float, name, cat);
    f->fmin = min;
    f->fmax = max;
    f->values[0].f = value;
    f->unit = unit;
    f->visibility = visibility;
    return f;
}

Feature* FeatureBuilder::boolean(Feature* cat, const std::string& name, bool value, int visibility)
{
    Feature* f = map_.create(FeatureKind::Boolean, name, cat);
    f->values[0].i = value ? 1 : 0;
    f->visibility = visibility;
    return f;
}

Feature* FeatureBuilder::enumeration(Feature* cat, const std::string& name, const std::vector<Entry>& entries,
                                     size_t selected, int visibility)
{
    Feature* f = map_.create(FeatureKind::Enumeration, name, cat);
    f->visibility = visibility;
    for (const auto& e : entries)
        map_.create_entry(f, e.name, e.value, e.display_name);
    f->values[0].i = static_cast<int64_t>(selected);
    return f;
}

Feature* FeatureBuilder::string(Feature* cat, const std::string& name, const std::string& value,
                                int64_t max_length, int visibility)
{
    Feature* f = map_.create(FeatureKind::String, name, cat);
    f->values[0].s = value;
    f->max_length = max_length;
    f->visibility = visibility;
    return f;
}

Feature* FeatureBuilder::command(Feature* cat, const std::string& name, int visibility)
{
    Feature* f = map_.create(FeatureKind::Command, name, cat);
    f->visibility = visibility;
    f->persistent = false;
    return f;
}

Feature* FeatureBuilder::reg(Feature* cat, const std::string& name, size_t size, int visibility)
{
    Feature* f = map_.create(FeatureKind::Register, name, cat);
    f->register_size = size;
    f->values[0].bytes.assign(size, 0);
    f->visibility = visibility;
    return f;
}

void FeatureBuilder::select_by(Feature* f, Feature* selector)
{
    f->selector = selector;
    FeatureValue first = f->values[0];
    f->values.assign(selector->entries.size(), first);
}

std::vector<FeatureBuilder::Entry> FeatureBuilder::positional(const std::vector<std::string>& names)
{
    std::vector<Entry> out;
    for (size_t i = 0; i < names.size(); ++i)
        out.push_back({names[i], static_cast<int64_t>(i), ""});
    return out;
}

} // namespace vsxsim
