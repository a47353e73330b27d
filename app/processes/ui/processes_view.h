// The Processes section: a filter field with the row count, the sortable process table with
// its Quit… / Force Quit… menu and their confirmations, and a detail pane for the selection.
// Filter, sort, texts and the signal rules all belong to the view model; this draws them.
#pragma once

#include <QAbstractTableModel>
#include <QMessageBox>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <set>
#include <vector>

#include "app/processes/processes_view_model.h"

class QFormLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QStackedWidget;
class QTableView;

namespace lopewell {

// The visible rows of a ProcessesViewModel as a Qt table: one column per processColumns().
class ProcessTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit ProcessTableModel(QObject* parent = nullptr);

    void setRows(std::vector<RunningProcess> rows);
    const std::vector<RunningProcess>& rows() const { return m_rows; }
    // -1 when out of range.
    int32_t pidAt(int row) const;
    int rowOf(int32_t pid) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<RunningProcess> m_rows;
};

class ProcessesView final : public QWidget {
    Q_OBJECT

public:
    explicit ProcessesView(ProcessesViewModel& model, QWidget* parent = nullptr);
    ~ProcessesView() override;

    // The row context menu for `pids` (the rows it was opened on); the caller owns it.
    std::unique_ptr<QMenu> contextMenu(const std::set<int32_t>& pids);
    // The pids the context menu acts on when opened on `row`: the selection when the row is
    // part of it, otherwise that row alone.
    std::set<int32_t> menuPids(int row) const;

    const std::set<int32_t>& selection() const { return m_selection; }

    // For tests: the widgets that follow the model.
    QLineEdit* filterField() const { return m_filter; }
    QLabel* rowCountLabel() const { return m_rowCount; }
    QTableView* table() const { return m_table; }
    ProcessTableModel* tableModel() const { return m_tableModel; }
    QLabel* detailTitle() const { return m_detailTitle; }
    // The confirmation or refusal alert on screen, if any.
    QMessageBox* confirmationAlert() const { return m_confirmation; }
    QMessageBox* errorAlert() const { return m_errorAlert; }

private:
    void render();
    void renderTable();
    void renderDetail();
    void selectionChangedByUser();
    void presentConfirmation();
    void presentError();

    ProcessesViewModel& m_model;
    ChangeObservers::Subscription m_subscription;
    QLineEdit* m_filter;
    QLabel* m_rowCount;
    QTableView* m_table;
    ProcessTableModel* m_tableModel;
    QStackedWidget* m_detail;
    QLabel* m_detailTitle;
    QLabel* m_detailPid;
    std::vector<std::pair<QLabel*, QLabel*>> m_detailRows;
    QPointer<QMessageBox> m_confirmation;
    QPointer<QMessageBox> m_errorAlert;
    // The user's selection by pid: rows move and come and go with every sample.
    std::set<int32_t> m_selection;
    bool m_restoringSelection = false;
};

}  // namespace lopewell
