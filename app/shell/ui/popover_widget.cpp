#include "app/shell/ui/popover_widget.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

QColor bandColour(LoadBand band)
{
    return toQColor(paletteColor(band));
}

QFrame* divider()
{
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet(QStringLiteral("color: palette(mid);"));
    return line;
}

QLabel* headline(std::string_view text)
{
    auto* label = new QLabel(toQString(text));
    label->setFont(textStyleFont(TextStyle::headline));
    return label;
}

// The big figure of a row: title-2, semibold, fixed-width digits.
QLabel* figure()
{
    auto* label = new QLabel;
    label->setFont(textStyleFont(TextStyle::title2, FontWeight::semibold, FontDesign::monospaced));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

}  // namespace

// One rounded bar per core, in adaptive columns at least 22 px wide, 4 px apart, rows 5 px apart.
class CoreBarsWidget final : public QWidget {
public:
    void setBars(std::vector<CoreBar> bars, QColor colour)
    {
        m_bars = std::move(bars);
        m_colour = colour;
        updateGeometry();
        update();
    }

    QSize sizeHint() const override { return { 280, heightForWidth(280) }; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override
    {
        const int rows = rowCount(width);
        return rows == 0 ? 0 : rows * barHeight + (rows - 1) * rowGap;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        const int columns = columnCount(width());
        const qreal barWidth = (width() - (columns - 1) * columnGap) / qreal(columns);
        for (size_t i = 0; i < m_bars.size(); ++i) {
            const int row = int(i) / columns, column = int(i) % columns;
            QColor fill = m_colour;
            fill.setAlphaF(float(m_bars[i].opacity));
            painter.setBrush(fill);
            painter.drawRoundedRect(QRectF(column * (barWidth + columnGap), row * (barHeight + rowGap), barWidth, barHeight), 2, 2);
        }
    }

private:
    static constexpr int minimumColumnWidth = 22, columnGap = 4, rowGap = 5, barHeight = 10;

    static int columnCount(int width) { return std::max(1, (width + columnGap) / (minimumColumnWidth + columnGap)); }
    int rowCount(int width) const
    {
        const int columns = columnCount(width);
        return (int(m_bars.size()) + columns - 1) / columns;
    }

    std::vector<CoreBar> m_bars;
    QColor m_colour;
};

PopoverWidget::PopoverWidget(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
    , m_cpuValue(figure())
    , m_cores(new CoreBarsWidget)
    , m_memoryValue(figure())
    , m_memoryBar(new QProgressBar)
    , m_memoryCaption(new QLabel)
{
    setFixedSize(contentSize);
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* cpuRow = new QHBoxLayout;
    cpuRow->addWidget(headline(PopoverContent::cpuTitle));
    cpuRow->addStretch();
    cpuRow->addWidget(m_cpuValue);

    auto* memoryRow = new QHBoxLayout;
    memoryRow->addWidget(headline(PopoverContent::memoryTitle));
    memoryRow->addStretch();
    memoryRow->addWidget(m_memoryValue);

    m_memoryBar->setRange(0, 1000);
    m_memoryBar->setTextVisible(false);
    m_memoryBar->setFixedHeight(6);
    m_memoryCaption->setFont(textStyleFont(TextStyle::caption));
    m_memoryCaption->setForegroundRole(QPalette::PlaceholderText);

    auto* open = new QPushButton(toQString(PopoverContent::openButtonTitle));
    auto* quit = new QPushButton(toQString(PopoverContent::quitButtonTitle));
    quit->setShortcut(QKeySequence(toQString(PopoverContent::quitShortcut)));
    connect(open, &QPushButton::clicked, this, &PopoverWidget::openMainWindowRequested);
    connect(quit, &QPushButton::clicked, this, &PopoverWidget::quitRequested);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(open);
    buttons->addStretch();
    buttons->addWidget(quit);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(8);
    layout->addLayout(cpuRow);
    layout->addWidget(m_cores);
    layout->addWidget(divider());
    layout->addLayout(memoryRow);
    layout->addWidget(m_memoryBar);
    layout->addWidget(m_memoryCaption);
    layout->addStretch();
    layout->addWidget(divider());
    layout->addLayout(buttons);
}

void PopoverWidget::setContent(const PopoverContent& content)
{
    const QColor cpuColour = bandColour(content.cpuBand);
    m_cpuValue->setText(toQString(content.cpuPercentText));
    m_cpuValue->setStyleSheet(QStringLiteral("color: %1;").arg(cpuColour.name()));
    m_cores->setBars(content.cores, cpuColour);

    if (const auto& memory = content.memory) {
        const QColor colour = bandColour(memory->band);
        m_memoryValue->setFont(textStyleFont(TextStyle::title2, FontWeight::semibold, FontDesign::monospaced));
        m_memoryValue->setText(toQString(memory->percentText));
        m_memoryValue->setStyleSheet(QStringLiteral("color: %1;").arg(colour.name()));
        m_memoryValue->setForegroundRole(QPalette::WindowText);
        m_memoryBar->setValue(int(std::clamp(memory->usedFraction, 0.0, 1.0) * 1000));
        m_memoryBar->setStyleSheet(QStringLiteral("QProgressBar { border: none; border-radius: 3px; background: palette(midlight); }"
                                                  "QProgressBar::chunk { border-radius: 3px; background: %1; }")
                .arg(colour.name()));
        m_memoryBar->show();
        m_memoryCaption->setText(toQString(memory->caption));
        m_memoryCaption->show();
    } else {
        m_memoryValue->setFont(textStyleFont(TextStyle::caption));
        m_memoryValue->setText(toQString(PopoverContent::samplingText));
        m_memoryValue->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
        m_memoryBar->hide();
        m_memoryCaption->hide();
    }
}

void PopoverWidget::showAt(const QPoint& anchor)
{
    QScreen* screen = QGuiApplication::screenAt(anchor);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    QRect frame(anchor - QPoint(width() / 2, 0), size());
    if (screen) {
        const QRect available = screen->availableGeometry();
        // A tray at the bottom of the screen: open upwards instead of off the edge.
        if (frame.bottom() > available.bottom())
            frame.moveBottom(anchor.y());
        frame.moveLeft(std::clamp(frame.left(), available.left(), std::max(available.left(), available.right() - frame.width())));
        frame.moveTop(std::clamp(frame.top(), available.top(), std::max(available.top(), available.bottom() - frame.height())));
    }
    move(frame.topLeft());
    show();
    activateWindow();
}

}  // namespace lopewell
