#include "FeatureDescriptions.h"

#include "PropertyMap.h"
#include "TextUtil.h"

namespace vsxsim {

namespace {

struct Description {
    const char* feature;
    const char* text;
};

// Features of both naming styles; a name the camera lacks is passed over.
const Description kDescriptions[] = {
    // device information
    {"DeviceVendorName", "Name of the camera's manufacturer."},
    {"DeviceModelName", "Model name of the camera."},
    {"DeviceSerialNumber", "Serial number that identifies this camera."},
    {"DeviceVersion", "Version of the camera's firmware."},
    {"DeviceUserID", "A name of your choice that the camera keeps across power cycles."},
    // image format
    {"SensorWidth", "Width of the sensor in pixels."},
    {"SensorHeight", "Height of the sensor in pixels."},
    {"WidthMax", "Largest image width at the current binning."},
    {"HeightMax", "Largest image height at the current binning."},
    {"Width", "Width of the image the camera sends, in pixels."},
    {"Height", "Height of the image the camera sends, in pixels."},
    {"OffsetX", "Horizontal position of the image region on the sensor."},
    {"OffsetY", "Vertical position of the image region on the sensor."},
    {"PixelFormat", "Format and bit depth of the pixels the camera sends."},
    {"BinningHorizontal", "Number of sensor columns combined into one pixel."},
    {"BinningVertical", "Number of sensor rows combined into one pixel."},
    {"DecimationHorizontal", "Keeps only every n-th sensor column."},
    {"DecimationVertical", "Keeps only every n-th sensor row."},
    {"Binning", "Combines neighbouring sensor pixels for a brighter, smaller image."},
    {"ReverseX", "Mirrors the image horizontally."},
    {"ReverseY", "Mirrors the image vertically."},
    {"VideoNorm", "Television standard of the analogue video signal."},
    {"InputChannel", "Connector the video signal is taken from."},
    // acquisition
    {"AcquisitionMode", "How many frames the camera takes after a start."},
    {"AcquisitionStart", "Starts taking frames."},
    {"AcquisitionStop", "Stops taking frames."},
    {"AcquisitionFrameRate", "Number of frames the camera takes per second."},
    {"AcquisitionResultingFrameRate", "Frame rate the camera reaches with its current settings."},
    // exposure and gain
    {"ExposureTime", "Time the sensor collects light for one frame."},
    {"Exposure", "Time the sensor collects light for one frame."},
    {"ExposureAuto", "Lets the camera adjust the exposure time to the scene's brightness."},
    {"Exposure_Auto", "Lets the camera adjust the exposure time to the scene's brightness."},
    {"ExposureAutoReference", "Brightness the automatic exposure aims for."},
    {"Exposure_Auto_Reference", "Brightness the automatic exposure aims for."},
    {"ExposureAutoUpperLimit", "Longest exposure time the automatic exposure may choose."},
    {"Exposure_Auto_Max_Value", "Longest exposure time the automatic exposure may choose."},
    {"ExposureAutoUpperLimitAuto", "Derives the longest automatic exposure time from the frame rate."},
    {"Exposure_AutoMaxValueAuto", "Derives the longest automatic exposure time from the frame rate."},
    {"Gain", "Amplification of the sensor signal."},
    {"GainAuto", "Lets the camera adjust the gain to the scene's brightness."},
    {"Gain_Auto", "Lets the camera adjust the gain to the scene's brightness."},
    {"GainAutoLowerLimit", "Lowest gain the automatic gain may choose."},
    {"GainAutoUpperLimit", "Highest gain the automatic gain may choose."},
    {"BlackLevel", "Offset added to every pixel so that dark areas do not clip."},
    {"Gamma", "Brightens or darkens the mid-tones of the image."},
    {"Brightness", "Raises or lowers the brightness of the whole image."},
    {"Contrast", "Spreads or narrows the difference between dark and bright areas."},
    {"Hue", "Turns all colours around the colour wheel."},
    {"Saturation", "Strength of the colours; 0 gives a grey image."},
    {"Sharpness", "Strengthens the edges in the image."},
    // colour
    {"BalanceRatioSelector", "Colour channel whose white-balance ratio is shown and set."},
    {"BalanceRatio", "Gain of the selected colour channel relative to green."},
    {"BalanceWhiteAuto", "Lets the camera balance the colours so that grey looks grey."},
    {"WhiteBalance_Auto", "Lets the camera balance the colours so that grey looks grey."},
    {"WhiteBalance_OnePush", "Balances the colours once on the current scene."},
    {"WhiteBalance_White_Balance_Red", "Gain of the red channel."},
    {"WhiteBalance_White_Balance_Green", "Gain of the green channel."},
    {"WhiteBalance_White_Balance_Blue", "Gain of the blue channel."},
    {"ColorTransformationEnable", "Applies the colour correction matrix to every pixel."},
    {"ColorTransformationValueSelector", "Element of the colour correction matrix that is shown and set."},
    {"ColorTransformationValue", "Value of the selected element of the colour correction matrix."},
    // trigger and inputs and outputs
    {"TriggerSelector", "Which start the trigger settings apply to."},
    {"TriggerMode", "Takes a frame only when a trigger arrives."},
    {"Trigger", "Takes a frame only when a trigger arrives."},
    {"TriggerSource", "Where the trigger comes from."},
    {"TriggerActivation", "Which edge of the input signal triggers."},
    {"TriggerDelay", "Time between the trigger and the start of the exposure."},
    {"TriggerSoftware", "Sends one trigger from the program."},
    {"Trigger_Software_Trigger", "Sends one trigger from the program."},
    {"Strobe", "Drives the strobe output during the exposure."},
    {"Strobe_Polarity", "Inverts the strobe output."},
    {"Strobe_Mode", "When the strobe output switches on."},
    {"GPIO_GP_IN", "State of the general-purpose input."},
    {"GPIO_GP_Out", "State the general-purpose output takes at the next write."},
    {"GPIO_Write", "Sets the general-purpose output."},
    {"GPIO_Read", "Reads the general-purpose input."},
    // look-up tables
    {"LUTSelector", "Colour channel whose look-up table is shown and set."},
    {"LUTEnable", "Maps every pixel through the look-up table."},
    {"LUTIndex", "Entry of the look-up table that is shown and set."},
    {"LUTValue", "Value of the selected entry of the look-up table."},
    // events and user sets
    {"EventSelector", "Camera event whose notification is shown and set."},
    {"EventNotification", "Sends the selected event to the program."},
    {"UserSetSelector", "Stored set of settings that is loaded or saved."},
    {"UserSetLoad", "Loads the selected set of settings."},
    {"UserSetSave", "Saves the current settings into the selected set."},
    {"UserSetDefault", "Set of settings the camera loads when it powers on."},
    // lens
    {"Focus", "Position of the focus lens."},
    {"FocusAuto", "Focuses once on the region of interest."},
    {"Focus_One_Push", "Focuses once on the region of interest."},
    {"Focus_One_Push_Running", "Shows whether a focus run is in progress."},
    {"AutoFocusROIEnable", "Focuses on a region of the image instead of the whole image."},
    {"Focus_Enable_Region_of_Interest", "Focuses on a region of the image instead of the whole image."},
    {"Zoom", "Focal length of the zoom lens."},
    {"Iris", "Opening of the lens aperture."},
    {"IrisAuto", "Lets the camera open and close the aperture to the scene's brightness."},
    // diagnostics
    {"DeviceTemperature", "Temperature inside the camera."},
    {"Timestamp", "Current value of the camera's clock."},
    {"GevCurrentIPAddress", "IP address the camera uses now."},
    {"GevCurrentSubnetMask", "Subnet mask the camera uses now."},
    {"GevMACAddress", "Hardware address of the camera's network port."},
    {"SensorDefectPixelCount", "Number of defective pixels the camera found on its sensor."},
    {"SensorDefectCorrection", "Replaces defective pixels by the mean of their neighbours."},
    // chunk data
    {"ChunkModeActive", "Appends the enabled chunks of data to every frame."},
    {"ChunkSelector", "Chunk whose switch is shown and set."},
    {"ChunkEnable", "Appends the selected chunk to every frame."},
};

} // namespace

void apply_descriptions(PropertyMap& map)
{
    for (const Description& d : kDescriptions)
        if (Feature* f = map.find(d.feature))
            f->description = d.text;
    // The white-balance channels describe themselves too.
    if (Feature* selector = map.find("BalanceRatioSelector"))
        for (Feature* entry : selector->entries)
            entry->description =
                "White-balance ratio of the " + text::lower(entry->display_name) + " channel.";
}

} // namespace vsxsim
