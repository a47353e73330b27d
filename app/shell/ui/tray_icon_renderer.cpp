#include "app/shell/ui/tray_icon_renderer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "app/common/ui/theme.h"
#include "app/shell/readout.h"
#include "core/presentation/load_colors.h"

namespace lopewell {

namespace {

// The number alone: the chip says "CPU", and "%" would not fit a 22-pixel tray legibly.
QString loadDigits(double load)
{
    return QString::number(std::lround(std::clamp(load, 0.0, 1.0) * 100.0));
}

}  // namespace

QImage renderTrayIcon(double load, int size, PanelTone panel)
{
    return renderChip(size, panel, loadDigits(load), toQColor(systemColor(cpuLoadBand(load))));
}

QImage renderApplicationIcon(int size)
{
    return renderChip(size, PanelTone::light, QString(), QColor());
}

QImage renderChip(int size, PanelTone panel, const QString& digits, const QColor& digitColour)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const qreal s = size;
    const QColor ink = panel == PanelTone::dark ? QColor(235, 235, 235) : QColor(40, 40, 40);
    const QColor face = panel == PanelTone::dark ? QColor(20, 20, 20, 230) : QColor(255, 255, 255, 235);

    // Pins: three short strokes on each side of the chip.
    const qreal pin = std::max<qreal>(1.0, s / 16.0);
    const qreal inset = s * 0.14;
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    for (int i = 0; i < 3; ++i) {
        const qreal along = inset + (s - 2 * inset) * (0.2 + 0.3 * i) - pin / 2;
        painter.drawRect(QRectF(along, 0, pin, inset));
        painter.drawRect(QRectF(along, s - inset, pin, inset));
        painter.drawRect(QRectF(0, along, inset, pin));
        painter.drawRect(QRectF(s - inset, along, inset, pin));
    }

    // The chip body, filled so the number reads on any panel.
    const QRectF body(inset, inset, s - 2 * inset, s - 2 * inset);
    painter.setBrush(face);
    painter.setPen(QPen(ink, std::max<qreal>(1.0, s / 22.0)));
    painter.drawRoundedRect(body, s * 0.1, s * 0.1);

    if (digits.isEmpty())
        return image;
    // The number, as large as the face allows, in the colour of its band.
    QFont font;
    font.setBold(true);
    font.setStyleHint(QFont::SansSerif);
    const QRectF room = body.adjusted(pin, pin, -pin, -pin);
    qreal pixelSize = room.height();
    do {
        font.setPixelSize(std::max(1, int(pixelSize)));
        pixelSize -= 0.5;
    } while (pixelSize > 4 && QFontMetricsF(font).horizontalAdvance(digits) > room.width());
    painter.setFont(font);
    painter.setPen(digitColour);
    painter.drawText(room, Qt::AlignCenter, digits);
    return image;
}

QString trayToolTip(double load)
{
    return QStringLiteral("CPU") + QString::fromStdString(menuBarReadoutTitle(load));
}

}  // namespace lopewell
