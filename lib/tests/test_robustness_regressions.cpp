// SPDX-FileCopyrightText: The ptzdeck developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Faults that the fuzz targets and the panel's monkey test found, each kept
// as the smallest case that showed it.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "TempDir.h"
#include "lumetra/BaseDevice.h"
#include "platform/Backends.h"
#include "platform/Platform.h"

namespace lumetra::test {
namespace {

const std::string kSupportedPath = "path=\\\\?\\usb#vid_0000&pid_8888&mi_00#6&2b1a&0&0000#{65e8773d}\\global\n";

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

class SimDirectoryReplug : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir.Path().empty());
        platform::SetBackendForTesting(platform::CreateSimDirectoryBackend(dir.Path().string()));
        BaseDevice::Initial();
        device = BaseDevice::CreateDevice(USB);
    }
    void TearDown() override {
        device->Close();
        BaseDevice::DeleteDevice(device);
        BaseDevice::Release();
        platform::SetBackendForTesting(nullptr);
    }
    void Plug(const std::string& extra) { dir.Write("a.cam", "name=Cam A\n" + kSupportedPath + extra); }

    TempDir dir;
    BaseDevice* device = nullptr;
};

// Unplugged and plugged in again before anything enumerated the bus: file
// systems such as ext4 hand the new file the inode the old one had, which
// made the new camera pass for the old one, alive again under the old
// handle and carrying the old camera's values.
TEST_F(SimDirectoryReplug, ACameraPluggedInAgainIsNewEvenWhereInodesAreReused) {
    Plug("proc-amp.0=-64,64,1,0,7\n");
    ASSERT_TRUE(device->Open("0", 1));
    ASSERT_TRUE(device->SetBrightness(20));
    const ino_t before = InodeOf(dir.File("a.cam"));

    dir.Remove("a.cam");
    Plug("proc-amp.0=-64,64,1,0,7\n");
    // Whether or not this file system reused the inode, the old handle is dead.
    RecordProperty("inode_reused", InodeOf(dir.File("a.cam")) == before ? "yes" : "no");
    EXPECT_FALSE(device->PanLeft(5));
    EXPECT_TRUE(dir.Lines("requests.log").size() == 1);  // only the SetBrightness

    // And the camera opened afresh starts from its file.
    ASSERT_TRUE(device->Open("0", 1));
    int value = 0;
    EXPECT_TRUE(device->GetBrightness(&value));
    EXPECT_EQ(value, 7);
}

}  // namespace
}  // namespace lumetra::test
