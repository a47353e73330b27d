#include <QGuiApplication>
#include <QImage>
#include <gtest/gtest.h>
#include <map>

#include "app/shell/ui/tray_icon_renderer.h"
#include "core/presentation/load_colors.h"

using namespace lopewell;

namespace {

// The most frequent strongly coloured pixel: the digits' colour, whatever the chip's greys.
QRgb dominantColour(const QImage& image)
{
    std::map<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = QColor::fromRgba(image.pixel(x, y));
            if (colour.alpha() == 255 && colour.hsvSaturationF() > 0.5f)
                ++counts[colour.rgb()];
        }
    }
    QRgb best = 0;
    int bestCount = 0;
    for (auto [rgb, count] : counts) {
        if (count > bestCount)
            std::tie(best, bestCount) = std::pair { rgb, count };
    }
    return best;
}

QRgb expected(LoadBand band)
{
    const Color& c = systemColor(band);
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue)).rgb();
}

}  // namespace

TEST(TrayIcon, TheNumberTakesTheColourOfItsLoadBandOnEitherPanel)
{
    const std::pair<double, LoadBand> cases[] = {
        { 0.4999, LoadBand::low },
        { 0.5, LoadBand::middle },
        { 0.8, LoadBand::high },
        { 1.0, LoadBand::high },
    };
    for (PanelTone panel : { PanelTone::light, PanelTone::dark }) {
        for (auto [load, band] : cases) {
            const QImage icon = renderTrayIcon(load, 48, panel);
            ASSERT_EQ(icon.size(), QSize(48, 48));
            EXPECT_EQ(dominantColour(icon), expected(band)) << load;
        }
    }
}

TEST(TrayIcon, ToolTipCarriesTheRoundedFigure)
{
    EXPECT_EQ(trayToolTip(0.4999), QStringLiteral("CPU 50%"));
    EXPECT_EQ(trayToolTip(0.0), QStringLiteral("CPU 0%"));
}
