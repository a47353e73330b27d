#include "app/security/ui/security_view.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/common/icon_names.h"
#include "app/common/ui/full_disk_access_banner.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/trash_failure_alert_box.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

// A filled shield in `colour` with a white mark on it ("!" or a check mark), the way the system
// symbols exclamationmark.shield.fill and checkmark.shield.fill look. The theme has the shield
// but no shield with a mark, so the mark is drawn.
QPixmap markedShield(std::string_view symbol, int size, const QColor& colour, bool check)
{
    const qreal ratio = qApp->devicePixelRatio();
    QPixmap pixmap = themeIcon(iconThemeName(symbol)).pixmap(QSize(size, size), ratio);
    if (pixmap.isNull()) {
        pixmap = QPixmap(QSize(size, size) * ratio);
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
    }
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(QRectF(0, 0, size, size), colour);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QPen pen(Qt::white, qMax(1.5, size / 9.0), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    const qreal s = size;
    if (check) {
        const QPointF points[] = { { s * 0.32, s * 0.48 }, { s * 0.46, s * 0.62 }, { s * 0.69, s * 0.36 } };
        painter.drawPolyline(points, 3);
    } else {
        painter.drawLine(QPointF(s * 0.5, s * 0.27), QPointF(s * 0.5, s * 0.52));
        painter.setBrush(Qt::white);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPointF(s * 0.5, s * 0.68), s / 14.0, s / 14.0);
    }
    return pixmap;
}

QColor secondaryColour()
{
    return QColor(142, 142, 147);
}

QColor severityColour(ThreatSignature::Severity severity)
{
    switch (severity) {
    case ThreatSignature::Severity::malware:
        return toQColor(SystemColor::red);
    case ThreatSignature::Severity::adware:
        return toQColor(SystemColor::orange);
    case ThreatSignature::Severity::pup:
        break;
    }
    return secondaryColour();
}

QLabel* tag(std::string_view text, const QColor& colour)
{
    auto* label = plainLabel(text);
    label->setFont(textStyleFont(TextStyle::caption, FontWeight::medium));
    label->setStyleSheet(
        QStringLiteral("QLabel { color: %1; border: 1px solid %1; border-radius: 4px; padding: 0px 4px; }").arg(colour.name()));
    label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return label;
}

QPushButton* smallButton(std::string_view title)
{
    auto* button = new QPushButton(toQString(title));
    button->setAutoDefault(false);
    button->setFont(textStyleFont(TextStyle::callout));
    return button;
}

void clearLayout(QLayout* layout)
{
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            // A button of this card may be the one whose click led here.
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
}

}  // namespace

SecurityView::SecurityView(SecurityViewModel& model, DesktopActions actions, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_actions(std::move(actions))
    , m_banner(new FullDiskAccessBanner(
          [this] {
              if (m_actions.openFullDiskAccessSettings)
                  m_actions.openFullDiskAccessSettings();
          },
          [this] { m_model.recheckFullDiskAccess(); }))
    , m_scan(new QPushButton(toQString(securityScanButton)))
    , m_progress(new QWidget)
    , m_results(new QWidget)
    , m_resultsLayout(new QVBoxLayout(m_results))
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(16, 12, 16, 12);
    outer->setSpacing(10);
    outer->addWidget(m_banner);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->addWidget(caption(securitySubtitle), 1);
    auto* busy = new QProgressBar;
    busy->setRange(0, 0);  // no figure: it only says "working"
    busy->setMaximumWidth(60);
    busy->setMaximumHeight(10);
    busy->setTextVisible(false);
    auto* progressLayout = new QHBoxLayout(m_progress);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->addWidget(busy);
    progressLayout->addWidget(plainLabel(securityScanningText));
    header->addWidget(m_progress, 0, Qt::AlignTop);
    m_scan->setAutoDefault(false);
    header->addWidget(m_scan, 0, Qt::AlignTop);
    outer->addLayout(header);
    connect(m_scan, &QPushButton::clicked, this, [this] { m_model.scan(); });

    m_resultsLayout->setContentsMargins(0, 4, 0, 4);
    m_resultsLayout->setSpacing(10);
    auto* scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidget(m_results);
    outer->addWidget(scroll, 1);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

void SecurityView::render()
{
    m_banner->setVisible(!m_model.fullDiskAccessGranted());
    const bool busy = m_model.isScanning() || m_model.isRemoving();
    m_scan->setVisible(!m_model.isScanning());
    m_scan->setEnabled(!busy);
    m_progress->setVisible(m_model.isScanning());
    if (!m_drawn || m_shownThreats != m_model.threats() || m_shownBusy != busy)
        renderResults();
    presentConfirmation();
    presentFailure();
}

void SecurityView::renderResults()
{
    m_drawn = true;
    m_shownThreats = m_model.threats();
    m_shownBusy = m_model.isScanning() || m_model.isRemoving();
    clearLayout(m_resultsLayout);
    const auto& threats = m_model.threats();
    if (!threats) {
        m_resultsLayout->addStretch();
        return;
    }
    if (threats->empty()) {
        auto* empty = new QWidget;
        auto* column = new QVBoxLayout(empty);
        column->setSpacing(10);
        auto* shield = new QLabel;
        shield->setPixmap(markedShield(securityEmptySymbol, 48, toQColor(SystemColor::green), true));
        shield->setAlignment(Qt::AlignCenter);
        auto* text = plainLabel(m_model.emptyText());
        text->setAlignment(Qt::AlignCenter);
        text->setWordWrap(true);
        text->setFont(textStyleFont(TextStyle::body));
        column->addWidget(shield);
        column->addWidget(text);
        m_resultsLayout->addSpacing(48);
        m_resultsLayout->addWidget(empty);
        m_resultsLayout->addStretch();
        return;
    }
    for (const DetectedThreat& threat : *threats)
        m_resultsLayout->addWidget(card(threat));
    m_resultsLayout->addStretch();
}

QWidget* SecurityView::card(const DetectedThreat& threat)
{
    auto* frame = new QFrame;
    frame->setObjectName(QStringLiteral("securityThreatCard"));
    frame->setStyleSheet(
        QStringLiteral("#securityThreatCard { background: palette(base); border: 1px solid palette(midlight); border-radius: 8px; }"));
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    auto* layout = new QVBoxLayout(frame);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(6);

    auto* top = new QHBoxLayout;
    top->setSpacing(8);
    auto* icon = new QLabel;
    icon->setPixmap(markedShield(securityThreatSymbol, 22, severityColour(threat.signature.severity), false));
    top->addWidget(icon, 0, Qt::AlignVCenter);
    auto* family = plainLabel(threat.signature.family);
    family->setFont(textStyleFont(TextStyle::headline));
    top->addWidget(family);
    top->addWidget(tag(rawValue(threat.signature.severity), severityColour(threat.signature.severity)), 0, Qt::AlignVCenter);
    top->addStretch();
    const bool busy = m_model.isScanning() || m_model.isRemoving();
    if (SecurityViewModel::canMoveToTrash(threat)) {
        auto* trash = smallButton(securityMoveToTrashButton);
        trash->setEnabled(!busy);
        connect(trash, &QPushButton::clicked, this, [this, threat] { m_model.requestRemoval(threat); });
        top->addWidget(trash);
    }
    auto* reveal = smallButton(m_model.revealTitle());
    const std::vector<std::string> paths = SecurityViewModel::revealPaths(threat);
    reveal->setEnabled(!paths.empty());
    connect(reveal, &QPushButton::clicked, this, [this, paths] {
        if (!paths.empty() && m_actions.reveal)
            m_actions.reveal(paths);
    });
    top->addWidget(reveal);
    layout->addLayout(top);

    auto* description = caption(threat.signature.description);
    description->setTextFormat(Qt::PlainText);
    layout->addWidget(description);

    auto* rows = new QVBoxLayout;
    rows->setSpacing(2);
    rows->setContentsMargins(0, 4, 0, 0);
    const QFont mono = textStyleFont(TextStyle::caption, std::nullopt, FontDesign::monospaced);
    const int kindWidth = QFontMetrics(mono).horizontalAdvance(QStringLiteral("launchDaemon")) + 8;
    for (const ObservedArtifact& artifact : threat.artifacts) {
        auto* row = new QHBoxLayout;
        row->setSpacing(8);
        auto* kind = plainLabel(rawValue(artifact.kind));
        kind->setFont(mono);
        kind->setForegroundRole(QPalette::PlaceholderText);
        kind->setFixedWidth(kindWidth);
        row->addWidget(kind);
        auto* identifier = new MiddleElidedLabel(toQString(artifact.identifier));
        identifier->setFont(mono);
        if (artifact.path && *artifact.path != artifact.identifier)
            identifier->setToolTip(plainToolTip(toQString(artifact.identifier + "\n" + *artifact.path)));
        row->addWidget(identifier, 1);
        if (!artifact.isUserControllable)
            row->addWidget(tag(securityManualTag, secondaryColour()));
        rows->addLayout(row);
    }
    layout->addLayout(rows);
    return frame;
}

void SecurityView::presentConfirmation()
{
    const auto& pending = m_model.pendingRemoval();
    if (!pending) {
        if (m_confirmation)
            m_confirmation->close();
        return;
    }
    if (m_confirmation)
        return;
    const QString title = toQString(SecurityViewModel::confirmationTitle(*pending));
    m_confirmation = new QMessageBox(QMessageBox::Warning, title, title, QMessageBox::NoButton, this);
    m_confirmation->setTextFormat(Qt::PlainText);
    m_confirmation->setInformativeText(toQString(m_model.confirmationMessage()));
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    m_confirmation->setWindowModality(Qt::WindowModal);
    QPushButton* cancel = m_confirmation->addButton(toQString(securityCancelButton), QMessageBox::RejectRole);
    QPushButton* destructive = m_confirmation->addButton(toQString(securityMoveToTrashButton), QMessageBox::DestructiveRole);
    m_confirmation->setDefaultButton(cancel);
    m_confirmation->setEscapeButton(cancel);
    QMessageBox* box = m_confirmation;
    connect(box, &QMessageBox::finished, this, [this, box, destructive](int) {
        if (box->clickedButton() == destructive)
            m_model.confirmRemoval();
        else
            m_model.cancelRemoval();
    });
    m_confirmation->open();
}

void SecurityView::presentFailure()
{
    if (!m_model.trashFailure() || m_failureAlert)
        return;
    m_failureAlert = showTrashFailureAlert(this, *m_model.trashFailure(), [this] { m_model.dismissTrashFailure(); });
}

}  // namespace lopewell
