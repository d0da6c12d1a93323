// Ports by identity over a fake /dev and sysfs: the catalog, the resolver of
// --port, the station file and the latency advice.
#ifndef _WIN32

#include "fake_system_tree.hpp"
#include "plx71/port/latency_advice.hpp"
#include "plx71/port/port_names.hpp"
#include "plx71/port/port_resolver.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace plx71;
using plx71::test::FakeSystemTree;
using plx71::test::FakeUsbPort;

namespace {

class PortsByIdentity : public ::testing::Test {
protected:
    void SetUp() override
    {
        unsetenv("PLX71_COM1");
        unsetenv("PLX71_COM2");
        ftdiA = tree.addUsb({"ttyUSB0", "0403", "6001", "A1", "ftdi_sio", "usb-FTDI_FT232R_A1-if00-port0",
                             "pci-0000:00:14.0-usb-0:1:1.0-port0", 16});
        ftdiB = tree.addUsb({"ttyUSB1", "0403", "6001", "B2", "ftdi_sio", "usb-FTDI_FT232R_B2-if00-port0", "", 1});
        acm = tree.addUsb({"ttyACM0", "2341", "0043", "", "cdc_acm", "", "", -1});
        tree.addUart("ttyS0", 4, 0x2000);
        tree.addUart("ttyS1", 0, 0); // no UART behind it
    }
    std::string dev(const std::string& name) const { return (tree.root() / "dev" / name).string(); }

    FakeSystemTree tree;
    std::string ftdiA, ftdiB, acm;
};

TEST_F(PortsByIdentity, CatalogReadsDevAndSysfs)
{
    const int held = ::open(acm.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(held, 0);
    PortCatalog catalog(tree.root());
    const auto& devices = catalog.devices();
    ASSERT_EQ(devices.size(), 4u);
    EXPECT_EQ(devices[0].name, "ttyACM0");
    EXPECT_EQ(devices[1].name, "ttyS0");
    EXPECT_EQ(devices[2].name, "ttyUSB0");
    EXPECT_EQ(devices[3].name, "ttyUSB1");

    const SerialDevice& a = devices[2];
    EXPECT_EQ(a.path, dev("ttyUSB0"));
    EXPECT_EQ(a.canonical, ftdiA);
    EXPECT_EQ(a.byId, std::vector<std::string>{"usb-FTDI_FT232R_A1-if00-port0"});
    EXPECT_EQ(a.byPath, std::vector<std::string>{"pci-0000:00:14.0-usb-0:1:1.0-port0"});
    EXPECT_EQ(a.usbName(), "usb:0403:6001:A1");
    EXPECT_EQ(a.driver, "ftdi_sio");
    EXPECT_EQ(a.latencyTimerMs, 16);
    EXPECT_TRUE(a.mayOpen);
    EXPECT_EQ(a.stableName(), "usb-FTDI_FT232R_A1-if00-port0");

    EXPECT_EQ(devices[0].usbName(), "usb:2341:0043");
    EXPECT_EQ(devices[0].driver, "cdc_acm");
    EXPECT_FALSE(devices[0].latencyTimerMs);
    const auto holders = portHolders(tree.root());
    bool weHoldIt = false;
    for (const auto& h : holders.count(acm) ? holders.at(acm) : std::vector<PortHolder>{})
        weHoldIt |= h.pid == ::getpid();
    EXPECT_TRUE(weHoldIt);
    EXPECT_FALSE(holders.count(ftdiA));
    ::close(held);
    EXPECT_EQ(devices[1].lowLatency, true);
    EXPECT_TRUE(devices[1].vendorId.empty());
}

TEST_F(PortsByIdentity, ResolverForms)
{
    FakeSystemTree::write(tree.root() / "ports.conf", "");
    auto parsed = parseStationFile("COM2 = usb:0403:6001:B2\n"
                                   "port line3 = usb-FTDI_FT232R_A1-if00-port0\n"
                                   "port gone = usb:1234:5678\n",
                                   "ports.conf");
    ASSERT_TRUE(parsed.station) << parsed.error;
    PortCatalog catalog(tree.root());
    PortResolver resolver(catalog, *parsed.station);
    setenv("PLX71_COM1", ftdiB.c_str(), 1);

    struct Case {
        std::string spec;
        PortResolveError error;
        int com;
        std::string device, stable, inMessage;
    };
    const std::vector<Case> cases = {
        {"COM1", PortResolveError::None, 0, "", "usb-FTDI_FT232R_B2-if00-port0", ""},
        {"com2", PortResolveError::None, 1, "", "usb-FTDI_FT232R_B2-if00-port0", ""},
        {"COM3", PortResolveError::None, 2, "", "/dev/ttyS2", ""},
        {"usb:0403:6001:A1", PortResolveError::None, 0, dev("ttyUSB0"), "usb-FTDI_FT232R_A1-if00-port0", ""},
        {"usb:2341:0043", PortResolveError::None, 0, dev("ttyACM0"), dev("ttyACM0"), ""},
        {"usb:0403:6001", PortResolveError::Ambiguous, 0, "", "", "ttyUSB1 (usb:0403:6001:B2)"},
        {"usb:0403:6001:ZZ", PortResolveError::NotFound, 0, "", "", "ttyUSB0 (usb:0403:6001:A1)"},
        {"usb:403:6001", PortResolveError::Usage, 0, "", "", "4 hex digits"},
        {"usb-FTDI_FT232R_A1-if00-port0", PortResolveError::None, 0, dev("ttyUSB0"), "usb-FTDI_FT232R_A1-if00-port0",
         ""},
        {"pci-0000:00:14.0-usb-0:1:1.0-port0", PortResolveError::None, 0, dev("ttyUSB0"),
         "usb-FTDI_FT232R_A1-if00-port0", ""},
        {"line3", PortResolveError::None, 0, dev("ttyUSB0"), "usb-FTDI_FT232R_A1-if00-port0", ""},
        {"gone", PortResolveError::NotFound, 0, "", "", "port gone (ports.conf:3)"},
        {ftdiA, PortResolveError::None, 0, ftdiA, "usb-FTDI_FT232R_A1-if00-port0", ""},
        {"/dev/nothing-here", PortResolveError::None, 0, "/dev/nothing-here", "/dev/nothing-here", ""},
        {"line4", PortResolveError::NotFound, 0, "", "", "station ports: line3, gone"},
        {"", PortResolveError::Usage, 0, "", "", "--port needs a port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        const PortResolution r = resolver.resolve(c.spec);
        EXPECT_EQ(r.error, c.error) << r.message;
        ASSERT_EQ(r.port.has_value(), c.error == PortResolveError::None);
        if (r.port) {
            EXPECT_EQ(r.port->comPortIndex, c.com);
            EXPECT_EQ(r.port->devicePath, c.device);
            EXPECT_EQ(r.port->stableName, c.stable);
        } else {
            EXPECT_NE(r.message.find(c.inMessage), std::string::npos) << r.message;
        }
    }
    const ComMapping com1 = resolver.comMapping(0);
    EXPECT_EQ(com1.source, ComSource::Environment);
    EXPECT_EQ(resolver.comMapping(1).sourceText, "ports.conf:1");
    EXPECT_EQ(resolver.comMapping(3).source, ComSource::Default);
    unsetenv("PLX71_COM1");

    // The session opens what the station file in use maps COM<n> to; a
    // target that reaches nothing is opened as written, so it fails.
    FakeSystemTree::write(tree.root() / "ports.conf", "COM2 = usb:0403:6001:B2\nCOM3 = usb:1234:5678\n");
    setenv("PLX71_PORTS", (tree.root() / "ports.conf").c_str(), 1);
    setenv("PLX71_SYSTEM_ROOT", tree.root().c_str(), 1);
    EXPECT_EQ(portDeviceName(1), dev("ttyUSB1"));
    EXPECT_EQ(portDeviceName(2), "usb:1234:5678");
    EXPECT_EQ(portDeviceName(3), "/dev/ttyS3");
    unsetenv("PLX71_PORTS");
    unsetenv("PLX71_SYSTEM_ROOT");
}

TEST(StationFile, ErrorsNameTheLine)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"# comment\n\nbaud = 9600\n", "st.conf:3: unknown key 'baud'"},
        {"COM1 /dev/ttyUSB0\n", "st.conf:1: expected 'COMn = PORT'"},
        {"COM5 = /dev/ttyUSB0\n", "st.conf:1: unknown key 'COM5'"},
        {"COM1 = /dev/a\nCOM1 = /dev/b\n", "st.conf:2: COM1 is mapped twice (first on line 1)"},
        {"port 3rd = /dev/a\n", "st.conf:1: '3rd' is no port name"},
        {"port com2 = /dev/a\n", "st.conf:1: 'com2' is no port name"},
        {"port a = /dev/a\nport a = /dev/b\n", "st.conf:2: port 'a' is named twice"},
        {"port a = COM2\n", "st.conf:1: 'COM2' is no port"},
        {"port a =\n", "st.conf:1: '' is no port"},
    };
    for (const auto& [text, error] : cases) {
        const auto r = parseStationFile(text, "st.conf");
        EXPECT_FALSE(r.station) << text;
        EXPECT_EQ(r.error.rfind(error, 0), 0u) << r.error;
    }
    const auto good = parseStationFile("COM4 = usb:0403:6001:X # bench\r\nport line-3.a\t= /dev/x\n", "st.conf");
    ASSERT_TRUE(good.station) << good.error;
    EXPECT_EQ(good.station->comTargets[3], "usb:0403:6001:X");
    ASSERT_NE(good.station->findPort("line-3.a"), nullptr);
    EXPECT_EQ(good.station->findPort("line-3.a")->target, "/dev/x");
}

TEST_F(PortsByIdentity, LatencyAdviceOnlyForASlowAdapter)
{
    PortCatalog catalog(tree.root());
    const std::string advice = latencyAdvice(catalog, dev("ttyUSB0"));
    EXPECT_NE(advice.find("latency timer is 16 ms"), std::string::npos) << advice;
    EXPECT_NE(advice.find("/sys/bus/usb-serial/devices/ttyUSB0/latency_timer"), std::string::npos);
    EXPECT_EQ(latencyAdvice(catalog, dev("ttyUSB1")), "");
    EXPECT_EQ(latencyAdvice(catalog, dev("ttyACM0")), "");
}

} // namespace

#endif
