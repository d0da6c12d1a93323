// The stored job on disk: file format, restarts, refusal of bad files.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/stat.h>

#include "plx71/testing/sim_wire.hpp"
#include "plx71sim/state_file.hpp"

namespace plx71sim::test {
namespace {

using namespace plx71::test;

std::string slurp(const std::string& path)
{
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

StoredJob sampleJob()
{
    StoredJob j;
    j.settings.device = {0xE0, 0x0F, 0x08, 0x00, 0x00, 0x0C, 0x00, 0x01, 0x07, 0x22};
    j.settings.deviceName = "M30624FGFP";
    j.settings.userFileName = "a b.hex"; // blanks survive
    j.settings.checkId = {1, 2, 3, 4, 5, 6, 7};
    j.settings.lockBits = 0x80;
    j.settings.operationBlocks = 0x7F;
    Page p = blankPage();
    p[0] = 0x12;
    j.pages[0x0C00] = p;
    j.pages[0x1FE7] = p;
    j.firmware[0x0C10] = p;
    j.firmwareVersion = versionField("V1.30 2001/12/25");
    return j;
}

TEST(StateFile, RoundTripAndRefusalOfBadFiles)
{
    const std::string path = tempPath("plx71sim_state_rt");
    std::string error;
    const StoredJob job = sampleJob();
    ASSERT_TRUE(saveState(path, job, error)) << error;
    StoredJob back;
    ASSERT_TRUE(loadState(path, back, error)) << error;
    EXPECT_EQ(back, job);

    const std::string good = slurp(path);
    auto rejects = [&](const std::string& text) {
        std::ofstream(path, std::ios::trunc) << text;
        StoredJob j = sampleJob();
        j.settings.deviceName = "UNCHANGED";
        const StoredJob before = j;
        std::string e;
        const bool ok = loadState(path, j, e);
        EXPECT_EQ(j, before); // nothing taken from a bad file
        return !ok && !e.empty();
    };
    EXPECT_TRUE(rejects(""));
    EXPECT_TRUE(rejects("something else\n"));
    EXPECT_TRUE(rejects(good.substr(0, good.size() - 4)));                    // no end line
    EXPECT_TRUE(rejects(good + "page 2000 " + std::string(512, 'F') + "\n")); // after the end line
    std::string badPage = good;
    badPage.insert(badPage.find("end\n"), "page 2000 " + std::string(512, 'F') + "\n");
    EXPECT_TRUE(rejects(badPage)); // beyond the Boot ROM pages
    std::string shortPage = good;
    shortPage.insert(shortPage.find("end\n"), "page 0001 FFFF\n");
    EXPECT_TRUE(rejects(shortPage));
    std::string badHex = good;
    badHex.replace(badHex.find("name ") + 5, 2, "ZZ");
    EXPECT_TRUE(rejects(badHex));
    std::string fwOutside = good;
    fwOutside.insert(fwOutside.find("end\n"), "firmware 0C00 " + std::string(512, 'F') + "\n");
    EXPECT_TRUE(rejects(fwOutside));

    EXPECT_FALSE(loadState(path + ".missing", back, error));
    // Only a regular file is read: /dev/zero never ends a line, a FIFO
    // without a writer would hold the open.
    const std::string fifo = tempPath("plx71sim_state_fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& odd : {std::string("/dev/zero"), fifo})
        EXPECT_FALSE(loadState(odd, back, error)) << odd;
    std::remove(fifo.c_str());
    // A job cut short before its commit stays so across a restart.
    StoredJob cut = sampleJob();
    cut.complete = false;
    ASSERT_TRUE(saveState(path, cut, error)) << error;
    ASSERT_TRUE(loadState(path, back, error)) << error;
    EXPECT_FALSE(back.complete);
}

TEST(StateFile, JobSurvivesARestartOfTheBox)
{
    const std::string path = tempPath("plx71sim_state_restart");
    Options o = wireBox();
    o.statePath = path;
    Page data;
    {
        SimBox sim(o);
        ASSERT_TRUE(sim.start()) << sim.lastError();
        PcPort port(sim.slavePath());
        EXPECT_EQ(toHex(transact(port,
                                 hex("16 00 10 E0 0F 08 00 00 0C 00 01 07 22 0A 4D 33 30 36 32 "
                                     "34 46 47 46 50 B6"))),
                  "06");
        Bytes p{0x00, 0x0C};
        for (int i = 0; i < 256; ++i)
            p.push_back(static_cast<std::uint8_t>(255 - i));
        std::copy(p.begin() + 2, p.end(), data.begin());
        EXPECT_EQ(toHex(transact(port, makeFrame(cmd::WritePage, p))), "06");
        EXPECT_EQ(toHex(transact(port, hex("01 00 1F 1F"))), "06"); // end: saved now
        ASSERT_TRUE(sim.waitFor(
            [&] {
                StoredJob j;
                std::string e;
                return loadState(path, j, e) && j.pages.count(0x0C00) == 1;
            },
            2s));
        sim.state()->replaceJob([&] {
            StoredJob j = sim.state()->box.job();
            j.settings.targetRateCode = 7; // saved when the box stops
            return j;
        }());
    }
    SimBox again(o);
    ASSERT_TRUE(again.start()) << again.lastError();
    EXPECT_EQ(again.state()->box.job().settings.deviceName, "M30624FGFP");
    EXPECT_EQ(again.state()->box.job().settings.targetRateCode, 7);
    PcPort port(again.slavePath());
    const Bytes r = transact(port, hex("03 00 16 00 0C 22"), 0x101);
    ASSERT_EQ(r.size(), 0x105u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), r.begin() + 4));
}

TEST(StateFile, FirmwareLoadIsKeptAndABadFileStopsTheStart)
{
    const std::string path = tempPath("plx71sim_state_fw");
    Options o = wireBox();
    o.statePath = path;
    {
        SimBox sim(o);
        ASSERT_TRUE(sim.start());
        PcPort port(sim.slavePath());
        // A whole load, then one cut after 27 of 48 pages: the box runs the
        // firmware of the last whole load.
        for (const auto& [version, pages] : {std::pair{"V1.31 2002/02/02", 48}, std::pair{"V1.40 2003/03/03", 27}}) {
            transact(port, hex("01 00 02 02"));
            transact(port, hex("01 00 05 05"));
            for (std::uint16_t page = kFirmwareFirstPage; page < kFirmwareFirstPage + pages; ++page) {
                Bytes p{static_cast<std::uint8_t>(page & 0xFF), static_cast<std::uint8_t>(page >> 8)};
                const std::string v = version;
                if (page == kFirmwareFirstPage)
                    p.insert(p.end(), v.begin(), v.end());
                p.resize(258, 0xFF);
                ASSERT_EQ(toHex(transact(port, makeFrame(cmd::LoadWritePage, p))), "06");
            }
            EXPECT_EQ(sim.state()->box.job().firmwareVersion, "V1.31 2002/02/02");
        }
    }
    {
        SimBox sim(o);
        ASSERT_TRUE(sim.start());
        EXPECT_EQ(sim.state()->box.job().firmwareVersion, "V1.31 2002/02/02");
    }
    // A version given on the command line wins over the stored one.
    o.firmwareVersionOverride = "V1.29";
    {
        SimBox sim(o);
        ASSERT_TRUE(sim.start());
        EXPECT_EQ(sim.state()->box.job().firmwareVersion.substr(0, 6), std::string("V1.29\0", 6));
    }

    std::ofstream(path, std::ios::trunc) << "not a state file\n";
    SimBox bad(o);
    EXPECT_FALSE(bad.start());
    EXPECT_NE(bad.lastError().find(path), std::string::npos);
    EXPECT_FALSE(bad.running());
    EXPECT_EQ(slurp(path), "not a state file\n");
}

} // namespace
} // namespace plx71sim::test
