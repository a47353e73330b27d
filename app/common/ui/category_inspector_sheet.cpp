#include "app/common/ui/category_inspector_sheet.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/trash_failure_alert_box.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

// The listed rows as Qt's table sees them; sorting is the inspector model's, not Qt's.
class InspectorTableModel final : public QAbstractTableModel {
public:
    explicit InspectorTableModel(const CategoryInspectorModel& model, QObject* parent) : QAbstractTableModel(parent), m_model(model) {}

    void reload()
    {
        beginResetModel();
        endResetModel();
    }

    int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(m_model.sortedItems().size()); }
    int columnCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : int(inspectorColumns.size()); }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || size_t(index.row()) >= m_model.sortedItems().size())
            return {};
        const StorageItem& item = m_model.sortedItems()[size_t(index.row())];
        const InspectorColumn column = inspectorColumns[size_t(index.column())];
        if (role == Qt::TextAlignmentRole && column == InspectorColumn::size)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
            return {};
        if (column == InspectorColumn::modified) {
            if (!item.modificationDate)
                return QStringLiteral("—");
            // The desktop's short date and short time, in its own order.
            const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(item.modificationDate->time_since_epoch());
            const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds.count());
            const QLocale locale;
            return locale.toString(local.date(), QLocale::ShortFormat) + QStringLiteral(", ")
                + locale.toString(local.time(), QLocale::ShortFormat);
        }
        // Names are bytes; a name that is not UTF-8 still shows, with replacement marks.
        return toQString(inspectorCellText(item, column));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || size_t(section) >= inspectorColumns.size())
            return {};
        return toQString(inspectorColumnTitle(inspectorColumns[size_t(section)]));
    }

private:
    const CategoryInspectorModel& m_model;
};

namespace {

// A click on the sorted column turns the order round; another column starts the way people
// look at it first: biggest and newest on top, names and paths from A.
InspectorSortOrder nextSortOrder(InspectorSortOrder current, InspectorColumn clicked)
{
    if (clicked == current.column)
        return { clicked, !current.ascending };
    const bool ascending = clicked == InspectorColumn::name || clicked == InspectorColumn::path;
    return { clicked, ascending };
}

QMessageBox* confirmationBox(QWidget* parent, const InspectorConfirmation& confirmation, std::function<void()> onConfirm)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(toQString(confirmation.title));
    box->setText(toQString(confirmation.title));
    box->setInformativeText(toQString(confirmation.message));
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 300px; }"));
    QPushButton* cancel = box->addButton(toQString(confirmation.cancelButton), QMessageBox::RejectRole);
    QPushButton* destructive = box->addButton(toQString(confirmation.confirmButton), QMessageBox::DestructiveRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    QObject::connect(box, &QMessageBox::finished, parent, [box, destructive, onConfirm = std::move(onConfirm)](int) {
        if (box->clickedButton() == destructive)
            onConfirm();
    });
    box->open();
    return box;
}

}  // namespace

CategoryInspectorSheet::CategoryInspectorSheet(CategoryInspectorModel& model, QWidget* parent)
    : QDialog(parent)
    , m_model(model)
    , m_rows(new InspectorTableModel(model, this))
    , m_title(new QLabel)
    , m_header(new QLabel)
    , m_caption(caption(""))
    , m_table(new QTableView)
    , m_overlay(new QWidget)
    , m_overlayText(new QLabel)
    , m_selection(new QLabel)
    , m_tip(caption(""))
    , m_cancel(new QPushButton(toQString(inspectorCancelButton)))
    , m_trashAll(new QPushButton)
    , m_primary(new QPushButton)
{
    setObjectName(QStringLiteral("categoryInspectorSheet"));
    setWindowModality(Qt::WindowModal);
    setWindowTitle(toQString(m_model.options().title));
    resize(820, 520);
    setMinimumSize(640, 400);

    m_title->setText(toQString(m_model.options().title));
    m_title->setFont(textStyleFont(TextStyle::title2, FontWeight::semibold));
    m_header->setFont(textStyleFont(TextStyle::callout));
    m_header->setForegroundRole(QPalette::PlaceholderText);

    m_table->setModel(m_rows);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setAlternatingRowColors(true);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);  // paths keep both ends
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(22);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->horizontalHeader()->setHighlightSections(false);
    m_table->setColumnWidth(0, 190);
    m_table->setColumnWidth(1, 80);
    m_table->setColumnWidth(2, 160);
    m_table->horizontalHeader()->setStretchLastSection(true);

    // The overlay covers the table while a removal runs: the rows cannot change under it.
    m_overlay->setAutoFillBackground(true);
    QPalette overlayPalette = m_overlay->palette();
    QColor veil = overlayPalette.color(QPalette::Window);
    veil.setAlpha(215);
    overlayPalette.setColor(QPalette::Window, veil);
    m_overlay->setPalette(overlayPalette);
    auto* busy = new QProgressBar;
    busy->setRange(0, 0);
    busy->setTextVisible(false);
    busy->setFixedWidth(180);
    auto* overlayLayout = new QVBoxLayout(m_overlay);
    overlayLayout->addStretch();
    overlayLayout->addWidget(busy, 0, Qt::AlignHCenter);
    overlayLayout->addWidget(m_overlayText, 0, Qt::AlignHCenter);
    overlayLayout->addStretch();

    auto* tableArea = new QGridLayout;
    tableArea->addWidget(m_table, 0, 0);
    tableArea->addWidget(m_overlay, 0, 0);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(m_selection);
    texts->addWidget(m_tip);
    auto* footer = new QHBoxLayout;
    footer->addLayout(texts, 1);
    footer->addWidget(m_cancel);
    footer->addWidget(m_trashAll);
    footer->addWidget(m_primary);
    m_primary->setDefault(true);
    m_cancel->setAutoDefault(false);
    m_trashAll->setAutoDefault(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->addWidget(m_title);
    layout->addWidget(m_header);
    layout->addWidget(m_caption);
    if (!m_model.options().note.empty()) {
        auto* note = caption(m_model.options().note);
        note->setObjectName(QStringLiteral("inspectorNote"));
        layout->addWidget(note);
    }
    layout->addLayout(tableArea, 1);
    layout->addLayout(footer);

    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        if (section >= 0 && size_t(section) < inspectorColumns.size())
            m_model.setSortOrder(nextSortOrder(m_model.sortOrder(), inspectorColumns[size_t(section)]));
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { sendSelectionToModel(); });
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_model.cancel(); });
    connect(m_primary, &QPushButton::clicked, this, [this] { askToConfirm(); });
    connect(m_trashAll, &QPushButton::clicked, this, [this] { askToConfirmAll(); });

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

CategoryInspectorSheet::~CategoryInspectorSheet() = default;

QMessageBox* CategoryInspectorSheet::askToConfirm()
{
    if (!m_model.isPrimaryEnabled())
        return nullptr;
    return confirmationBox(this, m_model.confirmation(), [this] { m_model.confirm(); });
}

QMessageBox* CategoryInspectorSheet::askToConfirmAll()
{
    if (!m_model.isTrashAllEnabled())
        return nullptr;
    return confirmationBox(this, m_model.trashAllConfirmation(), [this] { m_model.confirmAll(); });
}

void CategoryInspectorSheet::reject()
{
    m_model.cancel();
}

void CategoryInspectorSheet::render()
{
    if (m_shownListing != m_model.listingVersion()) {
        m_shownListing = m_model.listingVersion();
        m_rows->reload();
        applySelectionToTable();
    } else if (!m_selectionFromTable) {
        applySelectionToTable();
    }
    const InspectorSortOrder order = m_model.sortOrder();
    const auto column = std::find(inspectorColumns.begin(), inspectorColumns.end(), order.column) - inspectorColumns.begin();
    m_table->horizontalHeader()->setSortIndicator(int(column), order.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);

    m_header->setText(toQString(m_model.headerText()));
    const auto captionText = m_model.captionText();
    m_caption->setVisible(captionText.has_value());
    m_caption->setText(toQString(captionText.value_or("")));
    m_selection->setText(toQString(m_model.selectionText()));
    m_tip->setText(toQString(m_model.tipText()));

    m_cancel->setEnabled(m_model.isCancelEnabled());
    m_trashAll->setVisible(m_model.offersTrashAll());
    m_trashAll->setText(toQString(m_model.trashAllButtonTitle()));
    m_trashAll->setEnabled(m_model.isTrashAllEnabled());
    m_primary->setText(toQString(m_model.primaryButtonTitle()));
    m_primary->setEnabled(m_model.isPrimaryEnabled());

    m_overlay->setVisible(m_model.showsProgress());
    m_overlayText->setText(toQString(m_model.progressText()));
    m_table->setEnabled(!m_model.isCleaning());

    presentFailure();
    if (!m_model.isOpen() && isVisible())
        QDialog::reject();
}

// Selects the model's rows in the table, in as few ranges as the order allows.
void CategoryInspectorSheet::applySelectionToTable()
{
    const auto& rows = m_model.sortedItems();
    const auto& chosen = m_model.selection();
    QItemSelection selection;
    const int lastColumn = int(inspectorColumns.size()) - 1;
    for (size_t row = 0; row < rows.size();) {
        if (!chosen.contains(rows[row].path)) {
            ++row;
            continue;
        }
        size_t end = row;
        while (end + 1 < rows.size() && chosen.contains(rows[end + 1].path))
            ++end;
        selection.select(m_rows->index(int(row), 0), m_rows->index(int(end), lastColumn));
        row = end + 1;
    }
    m_applyingSelection = true;
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_applyingSelection = false;
}

void CategoryInspectorSheet::sendSelectionToModel()
{
    if (m_applyingSelection)
        return;
    std::set<std::string> chosen;
    const auto& rows = m_model.sortedItems();
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        if (size_t(index.row()) < rows.size())
            chosen.insert(rows[size_t(index.row())].path);
    }
    // The table already shows this selection: only the texts need to follow.
    m_selectionFromTable = true;
    m_model.setSelection(chosen);
    m_selectionFromTable = false;
}

void CategoryInspectorSheet::presentFailure()
{
    const auto& failure = m_model.failure();
    if (!failure || m_failureBox)
        return;
    const auto alert = TrashFailureAlert::make(failure->failedCount, failure->error, m_model.options().words);
    if (!alert)
        return;
    // Over the sheet while it stays up; over its owner once it has closed.
    QWidget* over = m_model.isOpen() ? static_cast<QWidget*>(this) : parentWidget();
    m_failureBox = showTrashFailureAlert(over, *alert, {});
    connect(m_failureBox, &QMessageBox::finished, this, [this] {
        m_failureBox = nullptr;
        m_model.clearFailure();
    });
}

}  // namespace lopewell
