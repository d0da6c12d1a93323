#include "plx71/devices/device_table.hpp"
#include "plx71/devices/table_lookup.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <unistd.h>

using namespace plx71;
namespace fs = std::filesystem;

namespace {

// An install tree <root>/bin/PLX71RD with <root>/share/plx71, removed afterwards.
class InstallTree {
public:
    InstallTree() : root_(fs::temp_directory_path() / ("plx71-lookup-" + std::to_string(::getpid())))
    {
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "share" / "plx71");
    }
    ~InstallTree()
    {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path exe() const { return root_ / "bin" / "PLX71RD"; }
    fs::path beside() const { return root_ / "bin" / kDeviceTableFileName; }
    fs::path shared() const { return root_ / "share" / "plx71" / kDeviceTableFileName; }
    static void writeTable(const fs::path& file, const std::string& device)
    {
        std::ofstream(file, std::ios::binary) << device << ",FE000,2000,C0000,40000,6,5.0V,5.0V\n";
    }

private:
    fs::path root_;
};

} // namespace

TEST(TableLookup, LooksBesideTheProgramThenInTheInstalledDataFolder)
{
    EXPECT_EQ(deviceTableCandidates("/opt/plx/bin/PLX71RD"),
              (std::vector<fs::path>{"/opt/plx/bin/plx71typ.tbl", "/opt/plx/share/plx71/plx71typ.tbl"}));
    EXPECT_EQ(deviceTableCandidates("/usr/bin/plx71").back(), fs::path("/usr/share/plx71/plx71typ.tbl"));
}

TEST(TableLookup, FirstExistingTableWinsElseTheMissingOneBesideTheProgram)
{
    // Which files exist, and which one is read (its device name), "" for none.
    struct Case {
        bool beside;
        bool shared;
        const char* read;
    };
    const Case cases[] = {
        {true, true, "BESIDE"},
        {true, false, "BESIDE"},
        {false, true, "SHARED"},
        {false, false, ""},
    };
    for (const Case& c : cases) {
        InstallTree tree;
        if (c.beside)
            InstallTree::writeTable(tree.beside(), "BESIDE");
        if (c.shared)
            InstallTree::writeTable(tree.shared(), "SHARED");
        const fs::path found = locateDeviceTable(tree.exe());
        const auto table = loadDeviceTable(found);
        const std::string where =
            std::string("beside ") + (c.beside ? "yes" : "no") + ", shared " + (c.shared ? "yes" : "no");
        if (*c.read == '\0') {
            EXPECT_EQ(found, tree.beside()) << where;
            EXPECT_FALSE(table.has_value()) << where;
            continue;
        }
        ASSERT_TRUE(table.has_value()) << where;
        ASSERT_EQ(table->records.size(), 1u) << where;
        EXPECT_EQ(table->records[0].name, c.read) << where;
    }
}

TEST(TableLookup, AFolderNamedLikeTheTableIsPassedOver)
{
    InstallTree tree;
    fs::create_directory(tree.beside());
    InstallTree::writeTable(tree.shared(), "SHARED");
    EXPECT_EQ(locateDeviceTable(tree.exe()), fs::path(tree.shared()).lexically_normal());
}
