// The Smart Scan banner at the top of the Storage section: its symbol and title, the subtitle
// the view model words for the current state, and the buttons of that state (SmartScanBanner).
#pragma once

#include <QFrame>
#include <functional>
#include <string>
#include <vector>

class QLabel;
class QHBoxLayout;
class QPushButton;

namespace lopewell {

class SmartScanBannerView final : public QFrame {
public:
    struct Button {
        std::string title;
        bool prominent = false;
        bool orange = false;  // "Clean"
        bool enabled = true;
        std::function<void()> action;
    };

    explicit SmartScanBannerView(QWidget* parent = nullptr);

    void setContent(const std::string& subtitle, std::vector<Button> buttons);

    QLabel* subtitle() const { return m_subtitle; }
    const std::vector<QPushButton*>& buttons() const { return m_buttons; }

private:
    QLabel* m_subtitle;
    QHBoxLayout* m_buttonRow;
    std::vector<QPushButton*> m_buttons;
    std::vector<Button> m_shown;
};

}  // namespace lopewell
