// The review-and-remove sheet over a CategoryInspectorModel: a sortable multi-select table of the
// listed rows, the header, caption and footer texts, the two confirmations, the progress overlay
// and the trash failure alert. The sheet only draws the model and forwards the user's choices;
// it closes itself when the model closes.
//
//   auto* sheet = new CategoryInspectorSheet(*model, window);
//   sheet->open();
#pragma once

#include <QDialog>

#include "app/common/category_inspector_model.h"

class QLabel;
class QMessageBox;
class QPushButton;
class QTableView;

namespace lopewell {

class InspectorTableModel;

class CategoryInspectorSheet final : public QDialog {
    Q_OBJECT

public:
    CategoryInspectorSheet(CategoryInspectorModel& model, QWidget* parent = nullptr);
    ~CategoryInspectorSheet() override;

    CategoryInspectorModel& model() { return m_model; }
    QTableView* table() const { return m_table; }
    QPushButton* primaryButton() const { return m_primary; }
    QPushButton* trashAllButton() const { return m_trashAll; }
    QPushButton* cancelButton() const { return m_cancel; }
    QWidget* progressOverlay() const { return m_overlay; }

    // The confirmation boxes (window-modal, not blocking); for tests and screenshots.
    QMessageBox* askToConfirm();
    QMessageBox* askToConfirmAll();

    // Escape and the window's close button: the model's cancel, refused while a removal runs.
    void reject() override;

private:
    void render();
    void applySelectionToTable();
    void sendSelectionToModel();
    void presentFailure();

    CategoryInspectorModel& m_model;
    ChangeObservers::Subscription m_subscription;
    InspectorTableModel* m_rows;
    QLabel* m_title;
    QLabel* m_header;
    QLabel* m_caption;
    QTableView* m_table;
    QWidget* m_overlay;
    QLabel* m_overlayText;
    QLabel* m_selection;
    QLabel* m_tip;
    QPushButton* m_cancel;
    QPushButton* m_trashAll;
    QPushButton* m_primary;
    QMessageBox* m_failureBox = nullptr;
    uint64_t m_shownListing = 0;
    bool m_applyingSelection = false;
    bool m_selectionFromTable = false;
};

}  // namespace lopewell
