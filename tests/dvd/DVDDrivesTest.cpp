#include "dvd/DVDDrives.h"
#include "tests/support/TestPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace vidrelo;

namespace {

struct FakeSystem {
    std::string Root = test::MakeTempDir("drives");
    std::string CdromInfo = Root + "/cdrom-info";
    std::string Block = Root + "/block";
    FakeSystem() { std::filesystem::create_directories(Block); }
    void WriteInfo(const std::string& text) const { std::ofstream(CdromInfo) << text; }
    void AddBlock(const std::string& name) const { std::filesystem::create_directories(Block + "/" + name); }
};

TEST(DVDDrivesTest, TheKernelTableNamesTheDrivesInAStableOrder)
{
    FakeSystem sys;
    sys.WriteInfo("CD-ROM information, Id: cdrom.c 3.20 2003/12/17\n\n"
                  "drive name:\t\tsr10\tsr1\tsr0\n"
                  "drive speed:\t\t24\t24\t24\n");
    sys.AddBlock("sr7");  // ignored: the table is authoritative when present
    std::vector<std::string> drives;
    EXPECT_EQ(GetDVDDrives(&drives, sys.CdromInfo, sys.Block), 3);
    EXPECT_EQ(drives, (std::vector<std::string>{"/dev/sr0", "/dev/sr1", "/dev/sr10"}));
    EXPECT_EQ(GetDVDDrives(nullptr, sys.CdromInfo, sys.Block), 3);  // counting only
}

TEST(DVDDrivesTest, WithoutTheTableTheSrBlockDevicesStandIn)
{
    FakeSystem sys;
    sys.AddBlock("sda");
    sys.AddBlock("sr1");
    sys.AddBlock("sr0");
    std::vector<std::string> drives{"/dev/already-there"};
    EXPECT_EQ(GetDVDDrives(&drives, sys.CdromInfo, sys.Block), 2);
    EXPECT_EQ(drives, (std::vector<std::string>{"/dev/already-there", "/dev/sr0", "/dev/sr1"}));
}

TEST(DVDDrivesTest, NoDrivesAndNoEjectWithoutADevice)
{
    FakeSystem sys;
    sys.WriteInfo("drive name:\n");
    EXPECT_EQ(GetDVDDrives(nullptr, sys.CdromInfo, sys.Root + "/missing"), 0);
    EXPECT_FALSE(EjectDVDDrive(sys.Root + "/no-such-device"));
    EXPECT_FALSE(EjectDVDDrive(sys.CdromInfo));  // a plain file refuses the tray command
}

}  // namespace
