#include "app/dashboard/ui/dashboard_view.h"

#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/common/icon_names.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

QString colourRule(LoadBand band)
{
    return QStringLiteral("color: %1;").arg(toQColor(paletteColor(band)).name());
}

// Re-polishing is not free and these refresh every second: only when the colour changes.
void restyle(QWidget* widget, const QString& rule)
{
    if (widget->styleSheet() != rule)
        widget->setStyleSheet(rule);
}

QLabel* samplingLabel()
{
    auto* label = new QLabel(toQString(samplingText));
    label->setFont(textStyleFont(TextStyle::callout));
    label->setForegroundRole(QPalette::PlaceholderText);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QLabel* statLabel(std::string_view text = {})
{
    auto* label = new QLabel(toQString(text));
    label->setFont(toQFont(Typography::statLabel));
    label->setForegroundRole(QPalette::PlaceholderText);
    return label;
}

QLabel* statValue()
{
    auto* label = new QLabel;
    label->setTextFormat(Qt::PlainText);  // driver strings and process names are not markup
    label->setFont(toQFont(Typography::statValue));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// The card's big figure: fixed-width digits so it does not jitter as it changes.
QLabel* bigFigure()
{
    auto* label = new QLabel;
    label->setFont(textStyleFont(TextStyle::title, FontWeight::semibold, FontDesign::monospaced));
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// Title / value rows under each other, the values right-aligned.
std::vector<std::pair<QLabel*, QLabel*>> addStatRows(QGridLayout* grid, size_t count)
{
    std::vector<std::pair<QLabel*, QLabel*>> rows;
    for (size_t i = 0; i < count; ++i) {
        auto* title = statLabel();
        auto* value = statValue();
        grid->addWidget(title, int(i), 0);
        grid->addWidget(value, int(i), 1);
        rows.emplace_back(title, value);
    }
    grid->setColumnStretch(1, 1);
    grid->setVerticalSpacing(3);
    return rows;
}

void fillStatRows(const std::vector<std::pair<QLabel*, QLabel*>>& labels, const std::vector<DashboardRow>& rows)
{
    for (size_t i = 0; i < labels.size(); ++i) {
        const bool present = i < rows.size();
        labels[i].first->setVisible(present);
        labels[i].second->setVisible(present);
        if (present) {
            labels[i].first->setText(toQString(rows[i].title));
            labels[i].second->setText(toQString(rows[i].value));
        }
    }
}

}  // namespace

// One line that ends in "…" when the card is too narrow; the whole text is in the tool tip.
class ElidedLabel final : public QLabel {
public:
    ElidedLabel() { setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed); }

    void setFullText(const QString& text)
    {
        setText(text);
        setToolTip(plainToolTip(text));
    }

    QSize minimumSizeHint() const override { return { 0, QLabel::minimumSizeHint().height() }; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(contentsRect(), int(alignment()), fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width()));
    }
};

// "Sampling…" or the figures. Unlike a stacked widget, the hidden side takes no room, so a card
// is only as tall as what it shows.
class SamplingSwitch final : public QWidget {
public:
    SamplingSwitch() : m_layout(new QVBoxLayout(this))
    {
        m_layout->setContentsMargins(0, 0, 0, 0);
        m_layout->setSpacing(0);
    }

    // The placeholder first, then the figures.
    void addWidget(QWidget* widget)
    {
        widget->setVisible(m_layout->count() == m_current);
        m_layout->addWidget(widget);
    }

    int currentIndex() const { return m_current; }
    void setCurrentIndex(int index)
    {
        if (index == m_current)
            return;
        m_current = index;
        for (int i = 0; i < m_layout->count(); ++i)
            m_layout->itemAt(i)->widget()->setVisible(i == index);
    }

private:
    QVBoxLayout* m_layout;
    int m_current = 0;
};

// A rounded panel in the window's base colour with a hairline border, and a title row.
class DashboardCard final : public QFrame {
public:
    explicit DashboardCard(std::string_view title, QWidget* trailing = nullptr)
        : m_title(new QLabel(toQString(title)))
        , m_body(new QVBoxLayout)
    {
        m_title->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
        m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);
        auto* header = new QHBoxLayout;
        header->setSpacing(8);
        header->addWidget(m_title, 1);
        if (trailing)
            header->addWidget(trailing);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(14, 10, 14, 12);
        layout->setSpacing(6);
        layout->addLayout(header);
        layout->addLayout(m_body);
        layout->addStretch();
        m_body->setSpacing(6);
    }

    QVBoxLayout* body() const { return m_body; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor border = palette().color(QPalette::WindowText);
        border.setAlphaF(0.12f);
        painter.setPen(QPen(border, 1));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    }

private:
    QLabel* m_title;
    QVBoxLayout* m_body;
};

// One row per core: "Core N", a bar in the load's colour, the whole percent. Past four cores
// the rows run in two columns, so the card stays as short as its neighbour.
class CoreLoadRows final : public QWidget {
public:
    CoreLoadRows() { setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed); }

    void setRows(std::vector<DashboardRow> rows, std::vector<double> loads)
    {
        const bool resized = rows.size() != m_rows.size();
        m_rows = std::move(rows);
        m_loads = std::move(loads);
        if (resized) {
            setFixedHeight(std::max(1, rowsPerColumn()) * (rowHeight + rowGap) - rowGap);
            updateGeometry();
        }
        update();
    }

    QSize sizeHint() const override { return { 260, height() }; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QFont labelFont = toQFont(Typography::statLabel);
        const QFont valueFont = toQFont(Typography::statValue);
        const QFontMetrics labelMetrics(labelFont), valueMetrics(valueFont);
        const int labelWidth = labelMetrics.horizontalAdvance(QStringLiteral("Core 00")) + 6;
        const int valueWidth = valueMetrics.horizontalAdvance(QStringLiteral("100%")) + 6;
        const int perColumn = std::max(1, rowsPerColumn());
        const int columns = (int(m_rows.size()) + perColumn - 1) / perColumn;
        const qreal columnWidth = (width() - std::max(0, columns - 1) * columnGap) / qreal(std::max(1, columns));
        QColor track = palette().color(QPalette::WindowText);
        track.setAlphaF(0.08f);

        for (size_t i = 0; i < m_rows.size(); ++i) {
            const int column = int(i) / perColumn, row = int(i) % perColumn;
            const QRectF cell(column * (columnWidth + columnGap), row * (rowHeight + rowGap), columnWidth, rowHeight);
            painter.setFont(labelFont);
            painter.setPen(palette().color(QPalette::PlaceholderText));
            painter.drawText(
                QRectF(cell.left(), cell.top(), labelWidth, cell.height()), Qt::AlignLeft | Qt::AlignVCenter, toQString(m_rows[i].title));
            painter.setFont(valueFont);
            painter.setPen(palette().color(QPalette::WindowText));
            painter.drawText(QRectF(cell.right() - valueWidth, cell.top(), valueWidth, cell.height()), Qt::AlignRight | Qt::AlignVCenter,
                toQString(m_rows[i].value));

            const QRectF bar(cell.left() + labelWidth, cell.center().y() - barHeight / 2.0,
                std::max<qreal>(0.0, cell.width() - labelWidth - valueWidth - 4), barHeight);
            painter.setPen(Qt::NoPen);
            painter.setBrush(track);
            painter.drawRoundedRect(bar, barHeight / 2.0, barHeight / 2.0);
            const double load = i < m_loads.size() && std::isfinite(m_loads[i]) ? std::clamp(m_loads[i], 0.0, 1.0) : 0.0;
            if (load > 0) {
                painter.setBrush(toQColor(paletteColor(cpuLoadBand(load))));
                painter.drawRoundedRect(QRectF(bar.left(), bar.top(), std::max<qreal>(barHeight, bar.width() * load), bar.height()),
                    barHeight / 2.0, barHeight / 2.0);
            }
        }
    }

private:
    static constexpr int rowHeight = 18, rowGap = 2, columnGap = 14, barHeight = 6;

    int rowsPerColumn() const
    {
        const int count = int(m_rows.size());
        return count <= 4 ? count : (count + 1) / 2;
    }

    std::vector<DashboardRow> m_rows;
    std::vector<double> m_loads;
};

DashboardView::DashboardView(DashboardViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_cpuFigure(bigFigure())
    , m_cpuBody(new SamplingSwitch)
    , m_cores(new CoreLoadRows)
    , m_memoryFigure(bigFigure())
    , m_memoryPressure(new QLabel)
    , m_memoryBar(new QProgressBar)
    , m_memoryBody(new SamplingSwitch)
    , m_gpuName(new ElidedLabel)
    , m_topBody(new SamplingSwitch)
    , m_topGrid(new QGridLayout)
    , m_supportButton(new QPushButton(toQString(supportButtonTitle)))
{
    // CPU: the overall figure in the title row, the cores below.
    auto* cpuCard = new DashboardCard(cpuCardTitle, m_cpuFigure);
    m_cpuBody->addWidget(samplingLabel());
    m_cpuBody->addWidget(m_cores);
    cpuCard->body()->addWidget(m_cpuBody);

    // Memory: used share in the title row, the pressure, a bar, then the four figures.
    auto* memoryCard = new DashboardCard("Memory", m_memoryFigure);
    m_memoryPressure->setFont(textStyleFont(TextStyle::callout, FontWeight::semibold));
    m_memoryBar->setRange(0, 1000);
    m_memoryBar->setTextVisible(false);
    m_memoryBar->setFixedHeight(6);
    auto* memoryDetails = new QWidget;
    auto* memoryLayout = new QVBoxLayout(memoryDetails);
    memoryLayout->setContentsMargins(0, 0, 0, 0);
    memoryLayout->setSpacing(6);
    memoryLayout->addWidget(m_memoryPressure);
    memoryLayout->addWidget(m_memoryBar);
    auto* memoryGrid = new QGridLayout;
    m_memoryRows = addStatRows(memoryGrid, 4);
    memoryLayout->addLayout(memoryGrid);
    m_memoryBody->addWidget(samplingLabel());
    m_memoryBody->addWidget(memoryDetails);
    memoryCard->body()->addWidget(m_memoryBody);

    // GPU: the device's name, then its figures; hidden when there is no device.
    m_gpuCard = new DashboardCard(gpuCardTitle);
    m_gpuName->setFont(textStyleFont(TextStyle::callout, FontWeight::semibold));
    m_gpuCard->body()->addWidget(m_gpuName);
    auto* gpuGrid = new QGridLayout;
    m_gpuRows = addStatRows(gpuGrid, 4);
    m_gpuCard->body()->addLayout(gpuGrid);
    m_gpuCard->hide();

    // Top processes: title, caption, then a small table of five rows.
    auto* topCaption = caption(topProcessesCaption);
    topCaption->setWordWrap(false);
    auto* topCard = new DashboardCard(topProcessesTitle, topCaption);
    auto* table = new QWidget;
    table->setLayout(m_topGrid);
    m_topGrid->setContentsMargins(0, 2, 0, 0);
    m_topGrid->setHorizontalSpacing(16);
    m_topGrid->setVerticalSpacing(4);
    const auto& headings = topProcessColumns();
    for (size_t column = 0; column < headings.size(); ++column) {
        auto* heading = statLabel(headings[column]);
        heading->setAlignment(column == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignRight | Qt::AlignVCenter);
        m_topGrid->addWidget(heading, 0, int(column));
    }
    for (int row = 0; row < 5; ++row) {
        std::vector<QLabel*> cells;
        for (size_t column = 0; column < headings.size(); ++column) {
            auto* cell = column == 0 ? new QLabel : statValue();
            if (column == 0) {
                cell->setTextFormat(Qt::PlainText);  // any user can name a process "<img src=…>"
                cell->setFont(textStyleFont(TextStyle::callout));
                // Long names must not widen the card; the layout gives the name what is left.
                cell->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
            }
            m_topGrid->addWidget(cell, row + 1, int(column));
            cells.push_back(cell);
        }
        m_topCells.push_back(std::move(cells));
    }
    m_topGrid->setColumnStretch(0, 1);
    m_topBody->addWidget(samplingLabel());
    m_topBody->addWidget(table);
    topCard->body()->addWidget(m_topBody);

    // Support: a heart, the title, and the way to the Support settings.
    auto* heart = new QLabel;
    heart->setPixmap(themeIcon(iconThemeName("heart")).pixmap(18, 18));
    auto* supportCard = new DashboardCard(supportCardTitle, heart);
    m_supportButton->setToolTip(toQString(supportButtonHelp));
    connect(m_supportButton, &QPushButton::clicked, this, [this] { m_model.openSupportSettings(); });
    auto* supportRow = new QHBoxLayout;
    supportRow->addWidget(m_supportButton);
    supportRow->addStretch();
    supportCard->body()->addLayout(supportRow);

    // Rows of cards; the pairs share their row's width equally and the rest of the height
    // stays below the last row.
    auto pair = [](QWidget* left, QWidget* right) {
        auto* row = new QHBoxLayout;
        row->setSpacing(12);
        row->addWidget(left, 1);
        row->addWidget(right, 1);
        return row;
    };
    auto* content = new QWidget;
    auto* rows = new QVBoxLayout(content);
    rows->setContentsMargins(0, 4, 4, 4);
    rows->setSpacing(12);
    rows->addLayout(pair(cpuCard, memoryCard));
    rows->addWidget(topCard);
    rows->addLayout(pair(m_gpuCard, supportCard));
    rows->addStretch(1);

    auto* scroll = new QScrollArea;
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    scroll->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

QWidget* DashboardView::gpuCard() const
{
    return m_gpuCard;
}

QLabel* DashboardView::gpuName() const
{
    return m_gpuName;
}

std::vector<std::vector<QString>> DashboardView::topProcessCells() const
{
    std::vector<std::vector<QString>> rows;
    if (m_topBody->currentIndex() == 0)
        return rows;
    for (const auto& cells : m_topCells) {
        if (cells.front()->isHidden())
            continue;
        std::vector<QString> texts;
        for (QLabel* cell : cells)
            texts.push_back(cell->text());
        rows.push_back(std::move(texts));
    }
    return rows;
}

void DashboardView::render()
{
    renderCPU();
    renderMemory();
    renderGPU();
    renderTopProcesses();
}

void DashboardView::renderCPU()
{
    const auto overall = m_model.cpuOverallText();
    m_cpuFigure->setVisible(overall.has_value());
    if (!overall) {
        m_cpuBody->setCurrentIndex(0);
        return;
    }
    m_cpuFigure->setText(toQString(*overall));
    restyle(m_cpuFigure, colourRule(cpuLoadBand(m_model.cpuOverall())));
    m_cores->setRows(m_model.coreRows(), m_model.cpuPerCore());
    m_cpuBody->setCurrentIndex(1);
}

void DashboardView::renderMemory()
{
    const auto card = m_model.memoryCard();
    m_memoryFigure->setVisible(card.has_value());
    if (!card) {
        m_memoryBody->setCurrentIndex(0);
        return;
    }
    m_memoryFigure->setText(toQString(card->usedPercent));
    restyle(m_memoryFigure, colourRule(card->usedBand));
    m_memoryPressure->setText(toQString(card->pressureLabel));
    restyle(m_memoryPressure, colourRule(card->pressureBand));
    m_memoryBar->setValue(int(card->usedFraction * 1000));
    restyle(m_memoryBar,
        QStringLiteral("QProgressBar { border: none; border-radius: 3px; background: palette(midlight); }"
                       "QProgressBar::chunk { border-radius: 3px; background: %1; }")
            .arg(toQColor(paletteColor(card->usedBand)).name()));
    fillStatRows(m_memoryRows, card->rows);
    m_memoryBody->setCurrentIndex(1);
}

void DashboardView::renderGPU()
{
    const auto card = m_model.gpuCard();
    m_gpuCard->setVisible(card.has_value());
    if (!card)
        return;
    m_gpuName->setFullText(toQString(card->name));
    fillStatRows(m_gpuRows, card->rows);
}

void DashboardView::renderTopProcesses()
{
    const auto rows = m_model.topProcessRows();
    if (rows.empty()) {
        m_topBody->setCurrentIndex(0);
        return;
    }
    for (size_t i = 0; i < m_topCells.size(); ++i) {
        const bool present = i < rows.size();
        for (QLabel* cell : m_topCells[i])
            cell->setVisible(present);
        if (!present)
            continue;
        const TopProcessRow& row = rows[i];
        m_topCells[i][0]->setText(toQString(row.name));
        m_topCells[i][0]->setToolTip(plainToolTip(toQString(row.name)));
        m_topCells[i][1]->setText(toQString(row.pid));
        m_topCells[i][2]->setText(toQString(row.cpu));
        m_topCells[i][3]->setText(toQString(row.memory));
    }
    m_topBody->setCurrentIndex(1);
}

}  // namespace lopewell
