#include "app/apps/ui/apps_view.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/apps/ui/uninstaller_drop_zone.h"
#include "app/common/ui/category_inspector_sheet.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

QIcon appIcon(const InstalledApp& app)
{
    if (app.desktop && !app.desktop->iconName.empty()) {
        const QString name = toQString(app.desktop->iconName);
        if (QFileInfo(name).isAbsolute())
            return QIcon(name);
        const QIcon themed = QIcon::fromTheme(name);
        if (!themed.isNull())
            return themed;
    }
    return themeIcon("application-x-executable,applications-other,system-run");
}

}  // namespace

AppsView::AppsView(AppsViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_subtitle(caption(""))
    , m_dropZone(new UninstallerDropZone(model))
    , m_summary(new QLabel)
    , m_rescan(new QPushButton(toQString(appsRescanButton)))
    , m_chipRow(new QHBoxLayout)
    , m_search(new QLineEdit)
    , m_listArea(new QStackedWidget)
    , m_list(new QListWidget)
    , m_placeholder(new QLabel)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 8, 8);
    layout->setSpacing(10);
    // The title, "Apps", is the main window's, over every section.
    layout->addWidget(m_subtitle);
    layout->addWidget(m_dropZone);

    auto* headingRow = new QHBoxLayout;
    auto* headings = new QVBoxLayout;
    headings->setSpacing(2);
    auto* heading = new QLabel(toQString(appsListHeading));
    heading->setFont(textStyleFont(TextStyle::headline, FontWeight::semibold));
    headings->addWidget(heading);
    m_summary->setFont(textStyleFont(TextStyle::callout));
    m_summary->setForegroundRole(QPalette::PlaceholderText);
    headings->addWidget(m_summary);
    headingRow->addLayout(headings, 1);
    m_rescan->setIcon(themeIcon("view-refresh"));
    m_rescan->setAutoDefault(false);
    connect(m_rescan, &QPushButton::clicked, this, [this] { m_model.refresh(); });
    headingRow->addWidget(m_rescan, 0, Qt::AlignBottom);
    layout->addLayout(headingRow);

    auto* filterRow = new QHBoxLayout;
    m_chipRow->setSpacing(4);
    for (const AppsViewModel::SourceChip& chip : m_model.chips()) {
        auto* button = new QPushButton;
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setObjectName(chip.source ? toQString(rawValue(*chip.source)) : QStringLiteral("all"));
        connect(button, &QPushButton::clicked, this, [this, source = chip.source] { m_model.setFilterSource(source); });
        m_chipRow->addWidget(button);
        m_chips.push_back(button);
    }
    filterRow->addLayout(m_chipRow);
    filterRow->addStretch();
    m_search->setPlaceholderText(toQString(appsSearchPlaceholder));
    m_search->addAction(themeIcon("edit-find,system-search"), QLineEdit::LeadingPosition);
    m_search->setClearButtonEnabled(true);
    m_search->setMinimumWidth(240);
    connect(m_search, &QLineEdit::textChanged, this, [this](const QString& text) { m_model.setSearchText(text.toStdString()); });
    filterRow->addWidget(m_search);
    layout->addLayout(filterRow);

    m_list->setSelectionMode(QAbstractItemView::NoSelection);
    m_list->setUniformItemSizes(true);
    m_list->setFocusPolicy(Qt::NoFocus);
    connect(m_list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        const int index = m_list->row(item);
        if (index >= 0 && size_t(index) < m_shownApps.size())
            m_model.inspect(m_shownApps[size_t(index)].url);
    });
    m_placeholder->setAlignment(Qt::AlignCenter);
    m_placeholder->setForegroundRole(QPalette::PlaceholderText);
    m_listArea->addWidget(m_list);
    m_listArea->addWidget(m_placeholder);
    layout->addWidget(m_listArea, 1);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

AppsView::~AppsView()
{
    // The sheets draw models that go with this view's members, before Qt deletes its children.
    for (CategoryInspectorSheet* sheet : findChildren<CategoryInspectorSheet*>())
        delete sheet;
    if (m_errorBox)
        delete m_errorBox.data();
}

CategoryInspectorSheet* AppsView::sheet() const
{
    return m_sheet.data();
}

void AppsView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model.shown();
}

QWidget* AppsView::makeRow(const InstalledApp& app) const
{
    const AppsViewModel::Row texts = AppsViewModel::row(app);
    auto* row = new QWidget;
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(8, 4, 8, 4);
    auto* icon = new QLabel;
    icon->setPixmap(appIcon(app).pixmap(28, 28));
    layout->addWidget(icon);
    auto* name = new QLabel(toQString(texts.name));
    name->setTextFormat(Qt::PlainText);
    name->setFont(textStyleFont(TextStyle::body, FontWeight::medium));
    layout->addWidget(name, 1);
    // Package versions run long ("2:1.2.3+dfsg-4~deb12u1"): a fixed column, elided, whole in the tip.
    constexpr int versionWidth = 120;
    auto* version = new QLabel;
    version->setTextFormat(Qt::PlainText);
    version->setForegroundRole(QPalette::PlaceholderText);
    version->setFixedWidth(versionWidth);
    const QString versionText = toQString(texts.version);
    version->setText(version->fontMetrics().elidedText(versionText, Qt::ElideRight, versionWidth));
    if (version->text() != versionText)
        version->setToolTip(plainToolTip(versionText));
    layout->addWidget(version);
    auto* source = new QLabel(toQString(texts.source));
    source->setTextFormat(Qt::PlainText);
    source->setForegroundRole(QPalette::PlaceholderText);
    source->setMinimumWidth(90);
    layout->addWidget(source);
    auto* size = new QLabel(toQString(texts.size));
    size->setFont(textStyleFont(TextStyle::body, std::nullopt, FontDesign::monospaced));
    size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    size->setMinimumWidth(80);
    layout->addWidget(size);
    auto* chevron = new QLabel;
    chevron->setPixmap(themeIcon("go-next").pixmap(14, 14));
    layout->addWidget(chevron);
    row->setToolTip(plainToolTip(toQString(app.url.native())));
    return row;
}

void AppsView::renderList()
{
    std::vector<InstalledApp> apps = m_model.filteredApps();
    if (m_listRendered && apps == m_shownApps)
        return;
    m_listRendered = true;
    m_shownApps = std::move(apps);
    m_list->clear();
    for (const InstalledApp& app : m_shownApps) {
        auto* item = new QListWidgetItem(m_list);
        QWidget* row = makeRow(app);
        item->setSizeHint(row->sizeHint());
        m_list->setItemWidget(item, row);
    }
}

void AppsView::render()
{
    m_subtitle->setText(toQString(m_model.subtitleText()));
    m_summary->setText(toQString(m_model.summaryText()));
    m_dropZone->setScanning(m_model.uninstallerScanning());
    m_rescan->setEnabled(!m_model.isScanning());
    const std::vector<AppsViewModel::SourceChip> chips = m_model.chips();
    for (size_t i = 0; i < chips.size() && i < m_chips.size(); ++i) {
        m_chips[i]->setText(toQString(chips[i].label) + QStringLiteral(" ") + QString::number(chips[i].count));
        m_chips[i]->setChecked(chips[i].selected);
    }
    renderList();
    const std::optional<std::string> placeholder = m_model.placeholderText();
    m_placeholder->setText(toQString(placeholder.value_or("")));
    m_listArea->setCurrentWidget(placeholder ? static_cast<QWidget*>(m_placeholder) : m_list);

    if (m_model.inspectorTarget() && (!m_sheet || !m_sheet->isVisible()))
        openSheet();
    if (m_model.uninstallerError() && !m_errorBox)
        presentError();
}

void AppsView::openSheet()
{
    m_inspectorSubscription.reset();
    if (m_inspector && m_inspector->isCleaning()) {
        // Its removal still reports back, and its sheet then shows what failed.
        m_retired.push_back(std::move(m_inspector));
    } else if (m_sheet) {
        delete m_sheet.data();
    }
    m_inspector = m_model.makeInspector();
    if (!m_inspector)
        return;
    m_sheet = new CategoryInspectorSheet(*m_inspector, this);
    // Cancelled or confirmed: the target goes, so a later result opens a sheet of its own.
    CategoryInspectorModel* inspector = m_inspector.get();
    m_inspectorSubscription = inspector->observers().add([this, inspector] {
        if (!inspector->isOpen())
            m_model.closeInspector();
    });
    m_sheet->open();
}

void AppsView::presentError()
{
    m_errorBox = new QMessageBox(QMessageBox::Warning, toQString(unreadableAppTitle), toQString(m_model.uninstallerError().value_or("")),
        QMessageBox::NoButton, this);
    m_errorBox->addButton(toQString(unreadableAppButton), QMessageBox::AcceptRole);
    m_errorBox->setTextFormat(Qt::PlainText);
    m_errorBox->setWindowModality(Qt::WindowModal);
    m_errorBox->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_errorBox, &QMessageBox::finished, this, [this] { m_model.clearUninstallerError(); });
    m_errorBox->open();
}

}  // namespace lopewell
