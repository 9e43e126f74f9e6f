// Address texts of network interfaces and cameras, and the address validator.
#include "DialogFixture.h"

#include "device/DeviceEnum.h"
#include "dialogs/AddressText.h"
#include "dialogs/IPV4Validator.h"

using namespace quorel::test;

namespace {

class AddressText : public DialogTest {
protected:
    // The property map of the first GigE Vision interface.
    static vsx::PropertyMap network_interface_map()
    {
        const vsx::DeviceEnum enumerator;
        for (const vsx::DeviceInterface& itf : enumerator.getInterfaces())
            if (itf.tlType() == 1)
                return itf.propertyMap();
        ADD_FAILURE() << "no GigE Vision interface";
        return {};
    }
};

struct Fault {
    const char* rule; // empty: none
    QString expected;
};

} // namespace

TEST_F(AddressText, ContiguousMasksGiveThePrefixLengthOthersTheirOwnText)
{
    useCameras(R"({"interfaces": [{"id": "gige7", "tlType": 1, "subnets": [
        ["192.0.2.1", "255.255.255.0"], ["10.0.0.1", "0.0.0.0"], ["10.0.0.2", "255.255.255.255"],
        ["198.51.100.1", "255.0.255.0"], ["172.16.0.1", "255.240.0.0"]]}], "cameras": []})");
    const vsx::PropertyMap map = network_interface_map();
    const QString expected[] = {"192.0.2.1/24", "10.0.0.1/0", "10.0.0.2/32", "198.51.100.1/255.0.255.0",
                                "172.16.0.1/12"};
    for (int64_t subnet = 0; subnet < 5; ++subnet) {
        ASSERT_TRUE(map.setValueInt64("GevInterfaceSubnetSelector", subnet));
        EXPECT_EQ(ip_and_mask_text(map, "GevInterfaceSubnetIPAddress", "GevInterfaceSubnetMask"),
                  expected[subnet]);
    }

    // Any read that fails gives the empty text (the non-contiguous mask is selected).
    ASSERT_TRUE(map.setValueInt64("GevInterfaceSubnetSelector", 3));
    const Fault faults[] = {
        {R"({"function": "vsx_propmap_get_value_string", "feature": "GevInterfaceSubnetIPAddress", "count": 2})",
         ""},
        {R"({"function": "vsx_propmap_get_value_int64", "feature": "GevInterfaceSubnetMask"})", ""},
        {R"({"function": "vsx_propmap_get_value_string", "feature": "GevInterfaceSubnetMask", "count": 2})",
         ""},
    };
    for (const Fault& fault : faults) {
        ASSERT_GT(vsxsim_inject_fault(fault.rule), 0);
        EXPECT_EQ(ip_and_mask_text(map, "GevInterfaceSubnetIPAddress", "GevInterfaceSubnetMask"),
                  fault.expected)
            << fault.rule;
        vsxsim_clear_faults();
    }
    EXPECT_EQ(ip_and_mask_text(map, "NoSuchAddress", "GevInterfaceSubnetMask"), "");
}

TEST_F(AddressText, SubnetsOfAnInterfaceInSelectorOrder)
{
    struct Case {
        const char* interfaceJson;
        const char* fault;
        QStringList expected;
    };
    const Case cases[] = {
        {R"({"id": "g", "tlType": 1, "subnets": [["192.0.2.1", "255.255.255.0"]]})", "", {"192.0.2.1/24"}},
        {R"({"id": "g", "tlType": 1, "subnets": [["192.0.2.1", "255.255.255.0"], ["198.51.100.1", "255.255.0.0"],
                                                  ["203.0.113.9", "255.255.255.128"]]})",
         "",
         {"192.0.2.1/24", "198.51.100.1/16", "203.0.113.9/25"}},
        // A subnet that cannot be selected is left out.
        {R"({"id": "g", "tlType": 1, "subnets": [["192.0.2.1", "255.255.255.0"], ["198.51.100.1", "255.255.0.0"],
                                                  ["203.0.113.9", "255.255.255.128"]]})",
         R"({"function": "vsx_prop_integer_set_value", "feature": "GevInterfaceSubnetSelector", "skip": 1})",
         {"192.0.2.1/24", "203.0.113.9/25"}},
        {R"({"id": "g", "tlType": 1, "subnets": [["192.0.2.1", "255.255.255.0"]],
             "remove": ["GevInterfaceSubnetSelector"]})",
         "",
         {}},
    };
    for (const Case& c : cases) {
        useCameras(std::string(R"({"cameras": [], "interfaces": [)") + c.interfaceJson + "]}");
        if (*c.fault) {
            ASSERT_GT(vsxsim_inject_fault(c.fault), 0);
        }
        EXPECT_EQ(interface_subnets_text(network_interface_map()), c.expected) << c.interfaceJson;
        vsxsim_clear_faults();
    }
}

TEST(AddressValidator, AcceptsFourDecimalPartsUpTo255AndNeverRejects)
{
    const std::pair<const char*, QValidator::State> cases[] = {
        {"192.168.0.1", QValidator::Acceptable},
        {"0.0.0.0", QValidator::Acceptable},
        {"255.255.255.255", QValidator::Acceptable},
        {"010.001.000.099", QValidator::Acceptable},
        {"256.1.1.1", QValidator::Intermediate},
        {"1.2.3.300", QValidator::Intermediate},
        {"1.2.3", QValidator::Intermediate},
        {"1.2.3.4.5", QValidator::Intermediate},
        {" 1.2.3.4", QValidator::Intermediate},
        {"1.2.3.4 ", QValidator::Intermediate},
        {"1.2.3.0004", QValidator::Intermediate},
        {"1.2.3.4\n", QValidator::Intermediate},
        {"", QValidator::Intermediate},
        {"a.b.c.d", QValidator::Intermediate},
    };
    const IPV4Validator validator;
    for (const auto& [text, state] : cases) {
        QString input = QString::fromLatin1(text);
        int pos = 0;
        EXPECT_EQ(validator.validate(input, pos), state) << '"' << text << '"';
    }
}
