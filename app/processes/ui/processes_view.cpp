#include "app/processes/ui/processes_view.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace {

// Message boxes size themselves to their words; a message this long reads better on fewer lines.
void widenMessage(QMessageBox* box)
{
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_informativelabel { min-width: 320px; }"));
}

bool isNumeric(ProcessSortKey key)
{
    return key != ProcessSortKey::name && key != ProcessSortKey::user;
}

// Numbers are most useful biggest first; names and pids read best from the top.
Qt::SortOrder initialOrder(ProcessSortKey key)
{
    return key == ProcessSortKey::cpu || key == ProcessSortKey::memory || key == ProcessSortKey::threads ? Qt::DescendingOrder
                                                                                                         : Qt::AscendingOrder;
}

int alignment(ProcessSortKey key)
{
    const Qt::Alignment value = isNumeric(key) ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter;
    return value.toInt();
}

int columnOf(ProcessSortKey key)
{
    const auto& columns = processColumns();
    for (size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key)
            return int(i);
    }
    return 0;
}

// Right-aligned figures next to left-aligned names need air between the columns: the style
// draws the row's background and selection across the whole cell, the text sits inset.
class PaddedCellDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem cell = option;
        initStyleOption(&cell, index);
        const QString text = cell.text;
        cell.text.clear();
        QStyle* style = cell.widget ? cell.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, cell.widget);

        const QPalette::ColorGroup group = !(cell.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (cell.state & QStyle::State_Active)                                ? QPalette::Normal
                                                                                 : QPalette::Inactive;
        const QRect area = cell.rect.adjusted(padding, 0, -padding, 0);
        painter->save();
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(group, cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(area, int(cell.displayAlignment), cell.fontMetrics.elidedText(text, cell.textElideMode, area.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index) + QSize(2 * padding, 0);
    }

private:
    static constexpr int padding = 6;
};

}  // namespace

ProcessTableModel::ProcessTableModel(QObject* parent) : QAbstractTableModel(parent) {}

// Rows are patched in place rather than reset, so the scroll position survives every sample.
void ProcessTableModel::setRows(std::vector<RunningProcess> rows)
{
    const int before = int(m_rows.size());
    const int after = int(rows.size());
    if (after < before) {
        beginRemoveRows({}, after, before - 1);
        m_rows.resize(size_t(after));
        endRemoveRows();
    } else if (after > before) {
        beginInsertRows({}, before, after - 1);
        m_rows.insert(m_rows.end(), rows.begin() + before, rows.end());
        endInsertRows();
    }
    m_rows = std::move(rows);
    if (after > 0)
        Q_EMIT dataChanged(index(0, 0), index(after - 1, columnCount() - 1));
}

int32_t ProcessTableModel::pidAt(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)].pid : -1;
}

int ProcessTableModel::rowOf(int32_t pid) const
{
    auto found = std::find_if(m_rows.begin(), m_rows.end(), [pid](const auto& p) { return p.pid == pid; });
    return found == m_rows.end() ? -1 : int(found - m_rows.begin());
}

int ProcessTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int ProcessTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(processColumns().size());
}

QVariant ProcessTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size() || size_t(index.column()) >= processColumns().size())
        return {};
    const RunningProcess& process = m_rows[size_t(index.row())];
    const ProcessSortKey key = processColumns()[size_t(index.column())].key;
    switch (role) {
    case Qt::DisplayRole:
        return toQString(processCellText(process, key));
    case Qt::TextAlignmentRole:
        return alignment(key);
    case Qt::ToolTipRole:
        if (key == ProcessSortKey::name)
            return plainToolTip(toQString(process.path.value_or(process.name)));
        return {};
    case Qt::UserRole:
        return process.pid;
    default:
        return {};
    }
}

QVariant ProcessTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || size_t(section) >= processColumns().size())
        return {};
    const ProcessColumn& column = processColumns()[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return toQString(column.title);
    case Qt::TextAlignmentRole:
        return alignment(column.key);
    case Qt::InitialSortOrderRole:
        return int(initialOrder(column.key));
    default:
        return {};
    }
}

ProcessesView::ProcessesView(ProcessesViewModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_filter(new QLineEdit)
    , m_rowCount(new QLabel)
    , m_table(new QTableView)
    , m_tableModel(new ProcessTableModel(this))
    , m_detail(new QStackedWidget)
    , m_detailTitle(new QLabel)
    , m_detailPid(new QLabel)
{
    m_filter->setPlaceholderText(toQString(processFilterPlaceholder));
    m_filter->setClearButtonEnabled(true);
    m_filter->addAction(themeIcon("system-search,edit-find"), QLineEdit::LeadingPosition);
    m_filter->setMaximumWidth(320);
    connect(m_filter, &QLineEdit::textEdited, this, [this](const QString& text) { m_model.setSearchText(text.toStdString()); });
    m_rowCount->setForegroundRole(QPalette::PlaceholderText);
    m_rowCount->setFont(textStyleFont(TextStyle::callout, std::nullopt, FontDesign::standard));
    auto* toolbar = new QHBoxLayout;
    toolbar->addWidget(m_filter, 1);
    toolbar->addStretch();
    toolbar->addWidget(m_rowCount);

    m_table->setModel(m_tableModel);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    m_table->setItemDelegate(new PaddedCellDelegate(m_table));
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 8);
    QHeaderView* header = m_table->horizontalHeader();
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    int smallest = 0;
    for (const ProcessColumn& column : processColumns())
        smallest = smallest == 0 ? column.minWidth : std::min(smallest, column.minWidth);
    header->setMinimumSectionSize(smallest);
    for (size_t i = 0; i < processColumns().size(); ++i)
        m_table->setColumnWidth(int(i), processColumns()[i].idealWidth);
    // The name takes what the figures leave; it is the one column worth widening.
    header->setSectionResizeMode(columnOf(ProcessSortKey::name), QHeaderView::Stretch);
    connect(header, &QHeaderView::sortIndicatorChanged, this, [this](int section, Qt::SortOrder order) {
        if (section < 0 || size_t(section) >= processColumns().size())
            return;
        m_model.setSortOrder({ processColumns()[size_t(section)].key, order == Qt::AscendingOrder });
    });
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionChangedByUser(); });
    connect(m_table, &QTableView::customContextMenuRequested, this, [this](const QPoint& position) {
        const QModelIndex index = m_table->indexAt(position);
        if (!index.isValid())
            return;
        contextMenu(menuPids(index.row()))->exec(m_table->viewport()->mapToGlobal(position));
    });

    // The detail pane: a placeholder, or the name and pid over two columns of figures and the path.
    auto* placeholder = new QLabel(toQString(noProcessSelectedText));
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setForegroundRole(QPalette::PlaceholderText);
    auto* details = new QWidget;
    // Names and paths come from other users' processes: shown as text, never as markup.
    m_detailTitle->setTextFormat(Qt::PlainText);
    m_detailTitle->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
    m_detailTitle->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_detailPid->setForegroundRole(QPalette::PlaceholderText);
    m_detailPid->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    titleRow->addWidget(m_detailTitle);
    titleRow->addWidget(m_detailPid);
    titleRow->addStretch();
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(4);
    // Parent, User / Threads, Memory / Path across the width.
    const std::pair<int, int> cells[] = { { 0, 0 }, { 0, 2 }, { 1, 0 }, { 1, 2 }, { 2, 0 } };
    for (auto [row, column] : cells) {
        auto* title = new QLabel;
        title->setFont(toQFont(Typography::statLabel));
        title->setForegroundRole(QPalette::PlaceholderText);
        auto* value = new QLabel;
        value->setTextFormat(Qt::PlainText);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        grid->addWidget(title, row, column);
        grid->addWidget(value, row, column + 1, 1, row == 2 ? 3 : 1);
        m_detailRows.emplace_back(title, value);
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    auto* detailsLayout = new QVBoxLayout(details);
    detailsLayout->setContentsMargins(4, 8, 4, 4);
    detailsLayout->addLayout(titleRow);
    detailsLayout->addLayout(grid);
    detailsLayout->addStretch();
    m_detail->addWidget(placeholder);
    m_detail->addWidget(details);
    m_detail->setMinimumHeight(details->sizeHint().height());

    auto* splitter = new QSplitter(Qt::Vertical);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(m_table);
    splitter->addWidget(m_detail);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(8);
    layout->addLayout(toolbar);
    layout->addWidget(splitter, 1);

    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

ProcessesView::~ProcessesView()
{
    // An alert closing during teardown must not report back to a half-destroyed view.
    for (QMessageBox* box : { m_confirmation.data(), m_errorAlert.data() }) {
        if (box) {
            box->disconnect(this);
            delete box;
        }
    }
}

std::set<int32_t> ProcessesView::menuPids(int row) const
{
    const int32_t pid = m_tableModel->pidAt(row);
    if (pid < 0)
        return {};
    if (m_selection.contains(pid))
        return m_selection;
    return { pid };
}

std::unique_ptr<QMenu> ProcessesView::contextMenu(const std::set<int32_t>& pids)
{
    auto menu = std::make_unique<QMenu>();
    const bool enabled = contextMenuTarget(pids).has_value();
    const std::pair<std::string_view, ProcessSignal> items[] = {
        { quitMenuTitle, ProcessSignal::quit },
        { forceQuitMenuTitle, ProcessSignal::forceQuit },
    };
    for (const auto& item : items) {
        QAction* action = menu->addAction(toQString(item.first));
        action->setEnabled(enabled);
        connect(action, &QAction::triggered, this, [this, signal = item.second, pids] { m_model.requestSignal(signal, pids); });
    }
    return menu;
}

void ProcessesView::render()
{
    if (m_filter->text().toStdString() != m_model.searchText())
        m_filter->setText(toQString(m_model.searchText()));
    m_rowCount->setText(toQString(m_model.rowCountText()));
    {
        QHeaderView* header = m_table->horizontalHeader();
        const QSignalBlocker blocker(header);
        const ProcessSortOrder& order = m_model.sortOrder();
        header->setSortIndicator(columnOf(order.key), order.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
    renderTable();
    renderDetail();
    if (m_model.pendingConfirmation() && !m_confirmation)
        presentConfirmation();
    if (m_model.lastError() && !m_errorAlert)
        presentError();
}

void ProcessesView::renderTable()
{
    // Pids that left the table are forgotten, or a reused pid would come back selected.
    std::erase_if(m_selection, [this](int32_t pid) {
        return std::none_of(m_model.processes().begin(), m_model.processes().end(), [pid](const auto& p) { return p.pid == pid; });
    });
    // Rows leaving and moving change Qt's selection; the pids the user chose stay the truth.
    m_restoringSelection = true;
    m_tableModel->setRows(m_model.visibleProcesses());
    QItemSelection selected;
    const int lastColumn = m_tableModel->columnCount() - 1;
    for (int32_t pid : m_selection) {
        if (int row = m_tableModel->rowOf(pid); row >= 0)
            selected.select(m_tableModel->index(row, 0), m_tableModel->index(row, lastColumn));
    }
    m_table->selectionModel()->select(selected, QItemSelectionModel::ClearAndSelect);
    m_restoringSelection = false;
}

void ProcessesView::renderDetail()
{
    const auto detail = m_model.detail(m_selection);
    if (!detail) {
        m_detail->setCurrentIndex(0);
        return;
    }
    m_detailTitle->setText(toQString(detail->name));
    m_detailPid->setText(toQString(detail->pidText));
    for (size_t i = 0; i < m_detailRows.size(); ++i) {
        const bool present = i < detail->rows.size();
        m_detailRows[i].first->setText(present ? toQString(detail->rows[i].title) : QString());
        m_detailRows[i].second->setText(present ? toQString(detail->rows[i].value) : QString());
        m_detailRows[i].second->setToolTip(plainToolTip(m_detailRows[i].second->text()));
    }
    m_detail->setCurrentIndex(1);
}

void ProcessesView::selectionChangedByUser()
{
    if (m_restoringSelection)
        return;
    m_selection.clear();
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        if (int32_t pid = m_tableModel->pidAt(index.row()); pid >= 0)
            m_selection.insert(pid);
    }
    renderDetail();
}

void ProcessesView::presentConfirmation()
{
    const SignalConfirmation& pending = *m_model.pendingConfirmation();
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(pending.signal == ProcessSignal::forceQuit ? QMessageBox::Warning : QMessageBox::Question);
    box->setWindowTitle(toQString(pending.title));
    box->setTextFormat(Qt::PlainText);  // the title carries the process's own name
    box->setText(toQString(pending.title));
    box->setInformativeText(toQString(pending.message));
    widenMessage(box);
    QPushButton* cancel = box->addButton(toQString(pending.cancelButton), QMessageBox::RejectRole);
    QPushButton* confirm = box->addButton(toQString(pending.confirmButton), QMessageBox::DestructiveRole);
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    connect(box, &QMessageBox::finished, this, [this, box, confirm] {
        m_confirmation = nullptr;  // a new request may come before this box is deleted
        if (box->clickedButton() == confirm)
            m_model.confirmPending();
        else
            m_model.cancelPending();
    });
    m_confirmation = box;
    box->open();
}

void ProcessesView::presentError()
{
    auto* box = new QMessageBox(this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(toQString(signalFailedTitle));
    box->setTextFormat(Qt::PlainText);
    box->setText(toQString(signalFailedTitle));
    box->setInformativeText(toQString(*m_model.lastError()));
    widenMessage(box);
    box->addButton(QMessageBox::Ok);
    connect(box, &QMessageBox::finished, this, [this] {
        m_errorAlert = nullptr;
        m_model.clearError();
    });
    m_errorAlert = box;
    box->open();
}

}  // namespace lopewell
