#include <QLabel>
#include <gtest/gtest.h>

#include "app/common/ui/widgets.h"
#include "app/shell/about_model.h"
#include "app/shell/ui/about_window.h"

using namespace lopewell;

namespace {

TEST(AboutWindow, ShowsThisBuildsVersionLineAndOneButtonPerSupportLink)
{
    AboutWindow window;
    bool versionShown = false;
    for (QLabel* label : window.findChildren<QLabel*>())
        versionShown = versionShown || label->text() == toQString(aboutVersionLineForThisBuild());
    EXPECT_TRUE(versionShown);

    std::vector<LinkRow> rows;
    for (LinkRowButton* button : window.findChildren<LinkRowButton*>())
        rows.push_back(button->row());
    EXPECT_EQ(rows, aboutSupportLinks());
}

}  // namespace
