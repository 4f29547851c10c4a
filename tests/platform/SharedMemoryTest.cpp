#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform/DynamicLibrary.h"
#include "platform/SensorBlock.h"
#include "platform/SharedMemory.h"

namespace dravel {
namespace {

class SharedMemoryTest : public ::testing::Test {
 protected:
  std::string Name(const char* What) const {
    return std::string("dravel-test-") + What + "-" + std::to_string(::getpid());
  }
  ~SharedMemoryTest() override {
    for (const char* What : {"shm", "kept", "lock", "foreign"}) RemoveSharedMemory(Name(What));
  }
};

TEST_F(SharedMemoryTest, ReaderSeesWhatTheWriterWrites) {
  auto Block = TSharedMemoryBlock::Open(Name("shm"), 64);
  ASSERT_TRUE(Block);
  Block->Bytes()[10] = 0x5A;
  const auto Whole = TSharedMemoryView::OpenReadOnly(Name("shm"));
  ASSERT_TRUE(Whole);
  EXPECT_EQ(Whole->Bytes().size(), 64u);
  EXPECT_EQ(Whole->Bytes()[10], 0x5A);
  const auto One = TSharedMemoryView::OpenReadOnly(Name("shm"), 1);
  ASSERT_TRUE(One);
  EXPECT_EQ(One->Bytes().size(), 1u);
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Name("shm"), 65));
}

TEST_F(SharedMemoryTest, BlockOutlivesItsWriterUntilRemovedAndNeverShrinks) {
  TSharedMemoryBlock::Open(Name("kept"), 64)->Bytes()[63] = 7;
  const auto Smaller = TSharedMemoryBlock::Open(Name("kept"), 16);
  ASSERT_TRUE(Smaller);
  const auto View = TSharedMemoryView::OpenReadOnly(Name("kept"));
  ASSERT_TRUE(View);
  EXPECT_EQ(View->Bytes().size(), 64u);
  EXPECT_EQ(View->Bytes()[63], 7);
  EXPECT_TRUE(RemoveSharedMemory(Name("kept")));
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Name("kept")));
  EXPECT_EQ(View->Bytes()[63], 7);  // a mapping outlives the name
  EXPECT_FALSE(RemoveSharedMemory(Name("kept")));
}

TEST_F(SharedMemoryTest, SharedLocksShareAndKeepAnExclusiveOneOut) {
  auto First = TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Shared);
  auto Second = TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Shared);
  ASSERT_TRUE(First && Second);
  EXPECT_FALSE(TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Exclusive));
  First.reset();
  EXPECT_FALSE(TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Exclusive));
  Second.reset();
  auto Alone = TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Exclusive);
  ASSERT_TRUE(Alone);
  EXPECT_FALSE(TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Shared));
  EXPECT_FALSE(TSharedMemoryLock::TryTake(Name("lock"), TLockKind::Exclusive));
}

TEST_F(SharedMemoryTest, BlockOfAnotherUserIsNeverOpened) {
  const int Fd = ::shm_open(("/" + Name("foreign")).c_str(), O_RDWR | O_CREAT, 0666);
  ASSERT_GE(Fd, 0);
  ASSERT_EQ(::ftruncate(Fd, 64), 0);
  const bool Given = ::fchown(Fd, ::geteuid() + 4242, static_cast<gid_t>(-1)) == 0;
  ::close(Fd);
  if (!Given) GTEST_SKIP() << "only root can hand a block to another user";
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(Name("foreign")));
  EXPECT_FALSE(TSharedMemoryBlock::Open(Name("foreign"), 64));
  EXPECT_FALSE(TSharedMemoryLock::TryTake(Name("foreign"), TLockKind::Shared));
}

TEST(DynamicLibraryTest, MissingLibraryDoesNotLoad) {
  EXPECT_FALSE(TDynamicLibrary::Load("/nonexistent/MBMStarter.so"));
}

TEST(DynamicLibraryTest, ExecutableDirectoryHoldsThisTest) {
  const std::string Folder = ExecutableDirectory();
  ASSERT_FALSE(Folder.empty());
  EXPECT_EQ(Folder.back(), '/');
  EXPECT_EQ(::access((Folder + "platform_test").c_str(), X_OK), 0);
}

// The shipped interface library publishes the blocks the sensor reader opens, under this
// user's names. Where it can, the test gets a /dev/shm of its own, so that another copy
// of this user running on the machine cannot be the one that publishes.
TEST(MBMStarterTest, StartPublishesThisUsersBlocksAndTheLastStopRemovesThem) {
  if (::unshare(CLONE_NEWNS) == 0) {
    ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr);
    ::mount("tmpfs", "/dev/shm", "tmpfs", 0, "mode=1777");
  }
  const auto Library = TDynamicLibrary::Load(MBM_STARTER);
  ASSERT_TRUE(Library);
  const auto Start = Library->Procedure("Start");
  const auto Stop = Library->Procedure("Stop");
  ASSERT_TRUE(Start && Stop);
  const std::string InfoName = PerUserBlockName(SensorBlock::InfoName);
  const std::string DataName = PerUserBlockName(SensorBlock::DataName);
  Start();
  Start();  // a second reader in the same process
  {
    const auto Info = TSharedMemoryView::OpenReadOnly(InfoName, 1);
    const auto Data = TSharedMemoryView::OpenReadOnly(DataName);
    ASSERT_TRUE(Info && Data);
    EXPECT_NE(Info->Bytes()[0], 0);  // fans at 120
    EXPECT_TRUE(HoldsSensorTable(Data->Bytes()));
  }
  Stop();
  EXPECT_TRUE(TSharedMemoryView::OpenReadOnly(DataName));
  Stop();
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(DataName));
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(InfoName));
  Stop();  // more stops than starts change nothing
}

}  // namespace
}  // namespace dravel
