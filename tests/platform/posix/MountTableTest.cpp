// The mount table as the kernel writes it, read into where each file system is
// mounted and whether it may leave a look unanswered.
#include "platform/posix/MountTable.h"

#include <gtest/gtest.h>

namespace {

TEST(MountTable, EachLineGivesItsPointAndWhetherItMayNotAnswer) {
  const std::string table =
      "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
      "35 22 0:30 / /home/me/My\\040Mail rw shared:20 - fuse.sshfs me@server: rw\n"
      "36 22 0:31 / /mnt/share rw - cifs //server/share rw\n"
      "37 22 0:32 / /mnt/back\\134slash rw master:3 - nfs4 server:/ rw\n"
      "38 22 0:5 / /dev rw - devtmpfs udev rw\n"
      "\n"
      "a line the kernel never writes\n";
  const std::vector<platform::posix::Mount> mounts = platform::posix::ParseMountTable(table);
  ASSERT_EQ(mounts.size(), 6u);
  EXPECT_EQ(mounts[0].point, "/");
  EXPECT_FALSE(mounts[0].mayNotAnswer);
  EXPECT_EQ(mounts[1].point, "/home/me/My Mail");
  EXPECT_TRUE(mounts[1].mayNotAnswer);
  EXPECT_TRUE(mounts[2].mayNotAnswer);
  EXPECT_EQ(mounts[3].point, "/mnt/back\\slash");
  EXPECT_TRUE(mounts[3].mayNotAnswer);
  EXPECT_FALSE(mounts[4].mayNotAnswer);
  // What cannot be read is taken as the worst: a mount that may not answer.
  EXPECT_EQ(mounts[5].point, "");
  EXPECT_TRUE(mounts[5].mayNotAnswer);
}

}  // namespace
