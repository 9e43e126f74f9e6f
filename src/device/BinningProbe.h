#pragma once

#include "device/BinningEntry.h"
#include "device/Property.h"
#include "device/PropertyMap.h"

#include <cstdint>
#include <vector>

// Finding out which binning and decimation factors a camera accepts: every
// choice is written to the camera and kept when the camera reads it back.
// Whatever happens, the camera's own values are put back afterwards.

namespace app {

// Appends {d, d, mode} for every entry of the enumeration ("Binning" or
// "Decimation") whose integer value d the camera selects, with the
// enumeration's and the entry's names. Never throws: failures are logged as
// "enumerate_binning_values: <what>".
void enumerate_binning_values(const vsx::PropEnumeration& feature, int32_t mode,
                              std::vector<BinningEntry>& out);

// Appends every combination of the two integer features' values that the
// camera keeps (an absent feature counts as factor 1). Never throws.
void enumerate_binning_values(const vsx::PropInteger& horizontal, const vsx::PropInteger& vertical,
                              int32_t mode, std::vector<BinningEntry>& out);

// The camera's binning and decimation choices. With both kinds, {1, 1,
// Disabled} comes first and every other 1x1 entry is left out; with one kind,
// its entries as found.
std::vector<BinningEntry> probe_binning_entries(const vsx::PropertyMap& map);

// The entry the camera is at (it keeps its factors while powered, and its
// state file may set them): the one with the camera's factors, else the
// first of the entries, which must not be empty.
BinningEntry binning_on_device(const vsx::PropertyMap& map, const std::vector<BinningEntry>& entries);

} // namespace app
