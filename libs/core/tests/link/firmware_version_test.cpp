#include "link/firmware_version.hpp"

#include <gtest/gtest.h>

#include <string_view>

using namespace plx71;

TEST(FirmwareVersion, FirstFourCharactersMustMatch)
{
    EXPECT_TRUE(firmwareVersionMatches(kControlProgramVersion));
    EXPECT_TRUE(firmwareVersionMatches("V1.30 2001/12/25"));
    EXPECT_TRUE(firmwareVersionMatches("V1.31 2002/03/01"));
    EXPECT_TRUE(firmwareVersionMatches("V1.3"));
    EXPECT_FALSE(firmwareVersionMatches("V1.20 2001/06/01"));
    EXPECT_FALSE(firmwareVersionMatches(""));
    EXPECT_FALSE(firmwareVersionMatches("V1."));
    EXPECT_FALSE(firmwareVersionMatches(std::string_view("V1\0.3", 5)));
    EXPECT_FALSE(firmwareVersionMatches("v1.30 2001/12/25"));
}
