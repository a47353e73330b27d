#include "app/apps/ui/uninstaller_drop_zone.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/apps/apps_view_model.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

UninstallerDropZone::UninstallerDropZone(AppsViewModel& model, QWidget* parent)
    : QFrame(parent)
    , m_model(model)
    , m_choose(new QPushButton(toQString(model.words().chooseAppButton)))
    , m_progress(new QProgressBar)
    , m_progressLabel(new QLabel(toQString(uninstallerScanningText)))
{
    setAcceptDrops(true);
    setObjectName(QStringLiteral("uninstallerDropZone"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(18, 14, 18, 14);
    layout->setSpacing(14);
    auto* symbol = new QLabel;
    symbol->setPixmap(themeIcon("system-software-install,package-x-generic,application-x-executable").pixmap(40, 40));
    layout->addWidget(symbol, 0, Qt::AlignTop);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    auto* title = new QLabel(toQString(uninstallerTitle));
    title->setFont(textStyleFont(TextStyle::headline, FontWeight::semibold));
    texts->addWidget(title);
    texts->addWidget(caption(model.words().uninstallerText));
    auto* progressRow = new QHBoxLayout;
    m_progress->setRange(0, 0);
    m_progress->setMaximumWidth(80);
    m_progress->setMaximumHeight(8);
    m_progress->setTextVisible(false);
    progressRow->addWidget(m_progress);
    progressRow->addWidget(m_progressLabel);
    progressRow->addStretch();
    texts->addLayout(progressRow);
    layout->addLayout(texts, 1);

    m_choose->setAutoDefault(false);
    connect(m_choose, &QPushButton::clicked, this, [this] { m_model.chooseApp(); });
    layout->addWidget(m_choose, 0, Qt::AlignVCenter);
    setScanning(false);
}

void UninstallerDropZone::setScanning(bool scanning)
{
    m_progress->setVisible(scanning);
    m_progressLabel->setVisible(scanning);
    m_choose->setEnabled(!scanning);
}

std::vector<std::filesystem::path> UninstallerDropZone::localPaths(const QMimeData* mime)
{
    std::vector<std::filesystem::path> paths;
    if (!mime || !mime->hasUrls())
        return paths;
    for (const QUrl& url : mime->urls()) {
        if (url.isLocalFile())
            paths.emplace_back(QFile::encodeName(url.toLocalFile()).toStdString());
    }
    return paths;
}

void UninstallerDropZone::setDragOver(bool over)
{
    if (m_dragOver == over)
        return;
    m_dragOver = over;
    update();
}

void UninstallerDropZone::dragEnterEvent(QDragEnterEvent* event)
{
    if (m_model.droppableApp(localPaths(event->mimeData()))) {
        event->acceptProposedAction();
        setDragOver(true);
    } else {
        event->ignore();
    }
}

void UninstallerDropZone::dragLeaveEvent(QDragLeaveEvent* event)
{
    setDragOver(false);
    QFrame::dragLeaveEvent(event);
}

void UninstallerDropZone::dropEvent(QDropEvent* event)
{
    setDragOver(false);
    if (m_model.drop(localPaths(event->mimeData())))
        event->acceptProposedAction();
    else
        event->ignore();
}

void UninstallerDropZone::paintEvent(QPaintEvent* event)
{
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double width = m_dragOver ? 3.0 : 1.5;
    QPen pen(m_dragOver ? palette().color(QPalette::Highlight) : palette().color(QPalette::Mid), width, Qt::DashLine);
    pen.setDashPattern({ 4, 3 });
    painter.setPen(pen);
    painter.setBrush(m_dragOver ? palette().color(QPalette::Highlight).lighter(190) : palette().color(QPalette::Base));
    const double inset = width / 2 + 1;
    painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 12, 12);
}

}  // namespace lopewell
