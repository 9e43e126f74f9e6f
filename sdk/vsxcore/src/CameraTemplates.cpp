#include "CameraTemplates.h"

#include "TextUtil.h"

namespace vsxsim {

namespace {
uint32_t ip(const char* text)
{
    return static_cast<uint32_t>(*text::parse_ipv4(text));
}
} // namespace

std::vector<std::string> CameraTemplates::ids()
{
    return {"usb-color", "usb-mono16", "gige-color", "gige-unreachable", "analog"};
}

std::vector<InterfaceSetup> CameraTemplates::interfaces()
{
    InterfaceSetup usb;
    usb.id = "usb0";
    usb.tl_type = 2;
    usb.display_name = "USB3 Vision Host 0";
    usb.tl_name = "SimCam USB3 Vision Producer";
    usb.tl_version = "1.4.2";
    usb.mtu = 0;

    InterfaceSetup gige;
    gige.id = "gige0";
    gige.tl_type = 1;
    gige.display_name = "GigE Vision eth-sim0";
    gige.tl_name = "SimCam GigE Vision Producer";
    gige.tl_version = "2.1.0";
    gige.mtu = 9000;
    gige.subnets = {{ip("192.0.2.1"), ip("255.255.255.0")}, {ip("198.51.100.1"), ip("255.255.0.255")}};

    InterfaceSetup video;
    video.id = "video0";
    video.tl_type = 0;
    video.display_name = "Video Capture Interface";
    video.tl_name = "";
    video.tl_version = "";
    video.mtu = 0;
    return {usb, gige, video};
}

std::optional<CameraSetup> CameraTemplates::camera(const std::string& id)
{
    CameraSetup c;
    c.id = id;
    if (id == "usb-color") {
        c.model = "QU3-C13B";
        c.serial = "41000001";
        c.interface_id = "usb0";
        c.sensor_width = 1280;
        c.sensor_height = 960;
        c.width_inc = c.height_inc = 8;
        c.pixel_formats = {"BayerRG8", "BayerRG12p", "BayerRG16", "BayerRG10p", "RGB8"};
        c.default_format = "BayerRG8";
        c.white_balance = true;
        c.bandwidth = 350e6;
        c.rate_cap = 120;
    } else if (id == "usb-mono16") {
        c.model = "QU3-M50M";
        c.serial = "41000002";
        c.user_id = "mono-left";
        c.interface_id = "usb0";
        c.sensor_width = 2592;
        c.sensor_height = 1944;
        c.width_inc = 16;
        c.height_inc = 4;
        c.width_min = 16;
        c.height_min = 8;
        c.colour = false;
        c.pixel_formats = {"Mono8", "Mono12", "Mono12p", "Mono16", "Mono14"};
        c.default_format = "Mono8";
        c.binning = BinningStyle::Independent;
        c.lut_tables = {{"", 4096, 4095, 2}};
        c.bandwidth = 350e6;
        c.rate_cap = 120;
    } else if (id == "gige-color") {
        c.model = "QGE-C16X";
        c.serial = "52000003";
        c.interface_id = "gige0";
        c.sensor_width = 1440;
        c.sensor_height = 1080;
        c.width_inc = c.height_inc = 8;
        c.pixel_formats = {"BayerGR8", "BayerGR12", "YCbCr422_8", "BGR8", "BGRa8"};
        c.default_format = "BayerGR8";
        c.ip = ip("192.0.2.50");
        c.mask = ip("255.255.255.0");
        c.gateway = ip("192.0.2.1");
        c.mac = 0x0007480a0b0cLL;
        c.white_balance = true;
        // Tables of different sizes: one of 1-byte entries.
        c.lut_tables = {{"Red", 256, 4095, 2}, {"Green", 512, 1023, 2}, {"Blue", 1024, 255, 1}};
        c.focus = FocusStyle::GenICam;
        c.trigger = true;
        c.events = true;
        c.colour_transform = true;
        c.diagnostics = true;
        c.bandwidth = 110e6;
        c.rate_cap = 60;
    } else if (id == "gige-unreachable") {
        c.model = "QGE-M13";
        c.serial = "52000004";
        c.interface_id = "gige0";
        c.sensor_width = 1280;
        c.sensor_height = 1024;
        c.width_inc = c.height_inc = 8;
        c.colour = false;
        c.pixel_formats = {"Mono8", "Mono10p"};
        c.default_format = "Mono8";
        c.ip = ip("203.0.113.77");
        c.mask = ip("255.255.255.0");
        c.gateway = ip("203.0.113.1");
        c.mac = 0x0007480a0b0dLL;
        c.binning = BinningStyle::Linked;
        c.bandwidth = 110e6;
        c.rate_cap = 60;
    } else if (id == "analog") {
        c.model = "QAN-V1";
        c.serial = "63000005";
        c.unique_name = "QAN-V1:63000005";
        c.interface_id = "video0";
        c.sensor_width = 720;
        c.sensor_height = 480;
        c.width_min = 320;
        c.height_min = 240;
        c.width_inc = 8;
        c.height_inc = 2;
        c.pixel_formats = {"YUV422_8", "Mono8"};
        c.default_format = "YUV422_8";
        c.naming = Naming::Underscore;
        c.binning = BinningStyle::Enumeration;
        c.focus = FocusStyle::OnePush;
        c.user_sets = false;
        c.analog = true;
        c.bandwidth = 350e6;
        c.rate_cap = 30;
    } else {
        return std::nullopt;
    }
    return c;
}

} // namespace vsxsim
