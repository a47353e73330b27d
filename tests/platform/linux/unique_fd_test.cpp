#include "platform/unique_fd.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

namespace lopewell {
namespace {

bool isOpen(int fd)
{
    return ::fcntl(fd, F_GETFD) != -1;
}

int openNull()
{
    return ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}

TEST(UniqueFd, ClosesWhatItOwnsExactlyOnce)
{
    int raw = -1;
    {
        UniqueFd fd(openNull());
        raw = fd.get();
        ASSERT_TRUE(fd);
        UniqueFd moved(std::move(fd));
        EXPECT_FALSE(fd);
        EXPECT_EQ(moved.get(), raw);
        moved = std::move(moved);  // self-assignment keeps it
        EXPECT_TRUE(isOpen(raw));
        moved.reset(raw);  // taking what it already holds closes nothing
        EXPECT_TRUE(isOpen(raw));
    }
    EXPECT_FALSE(isOpen(raw));

    UniqueFd first(openNull());
    const int firstRaw = first.get();
    UniqueFd second(openNull());
    const int secondRaw = second.get();
    first = std::move(second);  // closes the one it replaces
    EXPECT_FALSE(isOpen(firstRaw));
    EXPECT_EQ(first.get(), secondRaw);
    first.reset();
    EXPECT_FALSE(isOpen(secondRaw));
    EXPECT_EQ(first.get(), -1);
}

TEST(UniqueFd, ReleaseHandsTheDescriptorOverOpen)
{
    int raw = -1;
    {
        UniqueFd fd(openNull());
        raw = fd.release();
        EXPECT_FALSE(fd);
    }
    EXPECT_TRUE(isOpen(raw));
    ::close(raw);
}

}  // namespace
}  // namespace lopewell
