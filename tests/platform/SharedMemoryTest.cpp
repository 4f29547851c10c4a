#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/DynamicLibrary.h"
#include "platform/SharedMemory.h"

namespace dravel {
namespace {

std::string UniqueName(const char* What) {
  return std::string("dravel-test-") + What + "-" + std::to_string(::getpid());
}

TEST(SharedMemoryTest, ReaderSeesWhatTheCreatorWrites) {
  auto Block = TSharedMemoryBlock::Create(UniqueName("shm"), 64);
  ASSERT_TRUE(Block);
  Block->Bytes()[10] = 0x5A;
  const auto Whole = TSharedMemoryView::OpenReadOnly(UniqueName("shm"));
  ASSERT_TRUE(Whole);
  EXPECT_EQ(Whole->Bytes().size(), 64u);
  EXPECT_EQ(Whole->Bytes()[10], 0x5A);
  const auto One = TSharedMemoryView::OpenReadOnly(UniqueName("shm"), 1);
  ASSERT_TRUE(One);
  EXPECT_EQ(One->Bytes().size(), 1u);
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(UniqueName("shm"), 65));
}

TEST(SharedMemoryTest, BlockIsRemovedWithItsCreator) {
  {
    auto Block = TSharedMemoryBlock::Create(UniqueName("gone"), 8);
    ASSERT_TRUE(Block);
  }
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly(UniqueName("gone")));
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

// The shipped interface library publishes the blocks the sensor reader opens.
TEST(MBMStarterTest, StartPublishesTheBlocksAndStopRemovesThem) {
  const auto Library = TDynamicLibrary::Load(MBM_STARTER);
  ASSERT_TRUE(Library);
  const auto Start = Library->Procedure("Start");
  const auto Stop = Library->Procedure("Stop");
  ASSERT_TRUE(Start && Stop);
  Start();
  const auto Info = TSharedMemoryView::OpenReadOnly("$M$B$M$5$I$", 1);
  const auto Data = TSharedMemoryView::OpenReadOnly("$M$B$M$5$D$");
  ASSERT_TRUE(Info && Data);
  EXPECT_NE(Info->Bytes()[0], 0);  // fans at 120
  EXPECT_GE(Data->Bytes().size(), 136u);
  Stop();
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly("$M$B$M$5$D$"));
  EXPECT_FALSE(TSharedMemoryView::OpenReadOnly("$M$B$M$5$I$"));
}

}  // namespace
}  // namespace dravel
