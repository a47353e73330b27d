#include "app/space/ui/treemap_view.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

constexpr double labelPadding = 4;

QRectF toQRect(const TreemapRect& rect)
{
    return QRectF(rect.x, rect.y, rect.width, rect.height);
}

// A border drawn inside the shape: the pen runs half its width in from the edge.
void strokeInside(QPainter& painter, const QRectF& rect, double radius, const QColor& color, double width)
{
    if (rect.width() <= width || rect.height() <= width)
        return;
    painter.setPen(QPen(color, width));
    painter.setBrush(Qt::NoBrush);
    const double inset = width / 2;
    painter.drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), std::max(0.0, radius - inset), std::max(0.0, radius - inset));
}

void drawLabel(QPainter& painter, const QRectF& cell, const std::string& title, const std::optional<std::string>& subtitle)
{
    QFont titleFont = textStyleFont(TextStyle::caption, FontWeight::semibold);
    QFont sizeFont = textStyleFont(TextStyle::caption, std::nullopt, FontDesign::monospaced);
    sizeFont.setPointSizeF(9);
    const double width = cell.width() - 2 * labelPadding;
    painter.setPen(Qt::white);
    painter.setFont(titleFont);
    const QFontMetricsF titleMetrics(titleFont);
    const QPointF origin = cell.topLeft() + QPointF(labelPadding, labelPadding);
    painter.drawText(QRectF(origin, QSizeF(width, titleMetrics.height())), Qt::AlignLeft | Qt::AlignTop,
        titleMetrics.elidedText(toQString(title), Qt::ElideRight, width));
    if (subtitle && cell.height() - 2 * labelPadding > titleMetrics.height() + 8) {
        painter.setFont(sizeFont);
        const QFontMetricsF sizeMetrics(sizeFont);
        painter.drawText(QRectF(origin + QPointF(0, titleMetrics.height()), QSizeF(width, sizeMetrics.height())),
            Qt::AlignLeft | Qt::AlignTop, sizeMetrics.elidedText(toQString(*subtitle), Qt::ElideRight, width));
    }
}

}  // namespace

void paintTreemap(QPainter& painter, const TreemapPlan& plan)
{
    painter.setRenderHint(QPainter::Antialiasing);
    for (const TreemapCell& cell : plan.cells) {
        const QRectF rect = toQRect(cell.rect);
        if (rect.isEmpty())
            continue;
        painter.setPen(Qt::NoPen);
        painter.setBrush(toQColor(cell.fill));
        painter.drawRoundedRect(rect, treemapCornerRadius, treemapCornerRadius);
        if (!cell.preview.empty()) {
            painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.18f));
            for (const TreemapRect& inner : cell.preview) {
                QRectF miniature = toQRect(inner).translated(rect.topLeft());
                // A hairline apart, or neighbouring miniatures merge into one dark block.
                if (miniature.width() > 3 && miniature.height() > 3)
                    miniature.adjust(0.5, 0.5, -0.5, -0.5);
                if (!miniature.isEmpty())
                    painter.drawRoundedRect(miniature, treemapPreviewCornerRadius, treemapPreviewCornerRadius);
            }
        }
        if (cell.kind == TreemapCell::Kind::child) {
            if (cell.selected)
                strokeInside(painter, rect, treemapCornerRadius, Qt::white, 2);
            else
                strokeInside(painter, rect, treemapCornerRadius, QColor::fromRgbF(0, 0, 0, 0.25f), 0.5);
        }
        if (cell.title)
            drawLabel(painter, rect, *cell.title, cell.subtitle);
    }
}

ErrorOr<void> writeTreemapPng(const DiskNode& folder, const std::string& file, int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintTreemap(painter, planTreemap(folder, width, height, std::nullopt));
    }
    if (!image.save(QString::fromStdString(file), "PNG"))
        return Error { 0, "cannot write the PNG file " + file };
    return {};
}

ErrorOr<void> writeTreemapPngOffscreen(const DiskNode& folder, const std::string& file, int width, int height)
{
    if (QCoreApplication::instance())
        return writeTreemapPng(folder, file, width, height);
    // The picture must not depend on a desktop, nor fail without one.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "lopewell";
    static char* argv[] = { name, nullptr };
    QGuiApplication application(argc, argv);
    return writeTreemapPng(folder, file, width, height);
}

TreemapView::TreemapView(QWidget* parent) : QWidget(parent)
{
    setMinimumSize(200, 150);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TreemapView::setNode(std::optional<DiskNode> node, std::optional<std::string> selectedPath)
{
    m_node = std::move(node);
    m_selectedPath = std::move(selectedPath);
    replan();
}

void TreemapView::replan()
{
    m_plan = m_node ? planTreemap(*m_node, width(), height(), m_selectedPath) : TreemapPlan {};
    update();
}

void TreemapView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintTreemap(painter, m_plan);
}

void TreemapView::resizeEvent(QResizeEvent*)
{
    replan();
}

void TreemapView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const TreemapCell* cell = treemapCellAt(m_plan, event->position().x(), event->position().y());
    if (cell && cell->node && m_onSelect) {
        const DiskNode node = *cell->node;  // the callback re-plans, which replaces the cell
        m_onSelect(node);
    }
}

void TreemapView::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const TreemapCell* cell = treemapCellAt(m_plan, event->position().x(), event->position().y());
    if (cell && cell->node && cell->node->isDirectory() && m_onDrill) {
        const DiskNode node = *cell->node;
        m_onDrill(node);
    }
}

}  // namespace lopewell
