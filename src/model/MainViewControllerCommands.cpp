// Commands of the window whose docks are still to come: until then they do
// nothing.

#include "model/MainViewController.h"

void MainViewController::show_help() {}

void MainViewController::show_device_properties() {}

void MainViewController::show_property_dialog() {}

void MainViewController::show_sequence_settings() {}

void MainViewController::show_sequence_timer() {}

void MainViewController::show_histogram_settings() {}

void MainViewController::show_filter_settings() {}

void MainViewController::toggle_lut_view(bool) {}

void MainViewController::toggle_device_events_view(bool) {}
