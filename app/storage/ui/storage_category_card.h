// One category of the Storage section: its symbol, title, summary and risk badge over a status
// row with the buttons of the category's state. The card draws a CategoryCardStatus and reports
// button presses; it decides nothing.
#pragma once

#include <QFrame>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/storage/category_card_model.h"

class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace lopewell {

class StorageCategoryCard final : public QFrame {
public:
    StorageCategoryCard(const StorageCategory& category, std::function<void(CardAction)> onAction, QWidget* parent = nullptr);

    void setStatus(const CategoryCardStatus& status);

    const std::string& categoryID() const { return m_categoryID; }
    QLabel* statusText() const { return m_text; }
    // The status row's buttons, left to right.
    const std::vector<QPushButton*>& buttons() const { return m_buttons; }

private:
    std::string m_categoryID;
    std::function<void(CardAction)> m_onAction;
    QLabel* m_symbol;
    QLabel* m_text;
    QLabel* m_detail;
    QProgressBar* m_progress;
    QHBoxLayout* m_buttonRow;
    std::vector<QPushButton*> m_buttons;
    std::optional<CategoryCardStatus> m_shown;
};

}  // namespace lopewell
