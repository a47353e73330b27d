#include <gtest/gtest.h>

#include <QPushButton>

#include "app/common/ui/full_disk_access_banner.h"

using namespace lopewell;

TEST(FullDiskAccessBanner, ItsButtonsRunTheScreensActions)
{
    int opened = 0, rechecked = 0;
    FullDiskAccessBanner banner([&] { ++opened; }, [&] { ++rechecked; });
    EXPECT_EQ(banner.openSettingsButton()->text(), QStringLiteral("Open Settings"));
    EXPECT_EQ(banner.recheckButton()->text(), QStringLiteral("I've granted access"));

    banner.openSettingsButton()->click();
    banner.recheckButton()->click();
    banner.recheckButton()->click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(rechecked, 2);
}
