#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include "app/common/ui/widgets.h"
#include "app/shell/ui/popover_widget.h"

using namespace lopewell;

namespace {

constexpr uint64_t GiB = uint64_t(1) << 30;

class PopoverWidgetTest : public ::testing::Test {
protected:
    PopoverWidgetTest() { widget.show(); }

    QLabel* labelShowing(const std::string& text) const
    {
        for (QLabel* label : widget.findChildren<QLabel*>()) {
            if (label->text() == toQString(text))
                return label;
        }
        return nullptr;
    }
    QPushButton* button(std::string_view title) const
    {
        for (QPushButton* button : widget.findChildren<QPushButton*>()) {
            if (button->text() == toQString(title))
                return button;
        }
        return nullptr;
    }
    QProgressBar* memoryBar() const { return widget.findChild<QProgressBar*>(); }

    const std::vector<double> cores { 0.82, 0.35, 0.61, 0.12 };
    const MemoryStats memory { .active = 7 * GiB, .inactive = 3 * GiB, .wired = 2 * GiB, .total = 16 * GiB };
    PopoverWidget widget;
};

TEST_F(PopoverWidgetTest, ShowsTheFiguresItIsGivenAndSamplingWhileMemoryIsUnknown)
{
    const PopoverContent reading = popoverContent(0.5163, cores, memory);
    ASSERT_TRUE(reading.memory);
    ASSERT_NE(reading.cpuPercentText, reading.memory->percentText);  // so each is found by its text
    widget.setContent(reading);
    ASSERT_NE(labelShowing(reading.cpuPercentText), nullptr);
    EXPECT_TRUE(labelShowing(reading.cpuPercentText)->isVisible());
    ASSERT_NE(labelShowing(reading.memory->percentText), nullptr);
    ASSERT_NE(labelShowing(reading.memory->caption), nullptr);
    EXPECT_TRUE(labelShowing(reading.memory->caption)->isVisible());
    EXPECT_TRUE(memoryBar()->isVisible());
    EXPECT_EQ(memoryBar()->value(), int(reading.memory->usedFraction * memoryBar()->maximum()));
    EXPECT_EQ(labelShowing(std::string(PopoverContent::samplingText)), nullptr);

    const PopoverContent sampling = popoverContent(0.9, cores, std::nullopt);
    widget.setContent(sampling);
    EXPECT_NE(labelShowing(sampling.cpuPercentText), nullptr);
    EXPECT_EQ(labelShowing(reading.cpuPercentText), nullptr);
    EXPECT_NE(labelShowing(std::string(PopoverContent::samplingText)), nullptr);
    EXPECT_FALSE(memoryBar()->isVisible());
    EXPECT_FALSE(labelShowing(reading.memory->caption) && labelShowing(reading.memory->caption)->isVisible());

    // A reading again: the memory row comes back.
    widget.setContent(reading);
    EXPECT_EQ(labelShowing(std::string(PopoverContent::samplingText)), nullptr);
    EXPECT_TRUE(memoryBar()->isVisible());
    ASSERT_NE(labelShowing(reading.memory->caption), nullptr);
    EXPECT_TRUE(labelShowing(reading.memory->caption)->isVisible());
}

TEST_F(PopoverWidgetTest, EachButtonSendsItsRequest)
{
    QSignalSpy open(&widget, &PopoverWidget::openMainWindowRequested);
    QSignalSpy quit(&widget, &PopoverWidget::quitRequested);
    ASSERT_NE(button(PopoverContent::openButtonTitle), nullptr);
    ASSERT_NE(button(PopoverContent::quitButtonTitle), nullptr);

    button(PopoverContent::openButtonTitle)->click();
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(quit.count(), 0);
    button(PopoverContent::quitButtonTitle)->click();
    EXPECT_EQ(open.count(), 1);
    EXPECT_EQ(quit.count(), 1);
}

}  // namespace
