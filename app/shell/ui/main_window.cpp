#include "app/shell/ui/main_window.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

MainWindow::MainWindow(NavigationModel& navigation, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_navigation(navigation)
    , m_sidebar(new QListWidget)
    , m_title(new QLabel)
    , m_detail(new QStackedWidget)
{
    setWindowTitle(toQString(sidebarTitle));
    setMinimumSize(minimumContentSize);

    auto* titleLabel = new QLabel(toQString(sidebarTitle));
    titleLabel->setFont(textStyleFont(TextStyle::headline));
    titleLabel->setContentsMargins(12, 12, 12, 4);

    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setIconSize(QSize(18, 18));
    m_sidebar->setSpacing(1);
    m_sidebar->setStyleSheet(
        QStringLiteral("QListWidget { background: transparent; }"
                       "QListWidget::item { padding: 5px 8px; border-radius: 6px; }"
                       "QListWidget::item:selected { background: palette(highlight); color: palette(highlighted-text); }"));
    for (SidebarTab tab : allCases<SidebarTab>())
        new QListWidgetItem(themeIcon(sidebarTabIconName(tab)), toQString(sidebarTabTitle(tab)), m_sidebar);
    connect(m_sidebar, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && size_t(row) < allCases<SidebarTab>().size())
            m_navigation.select(allCases<SidebarTab>()[size_t(row)]);
    });

    auto* sidebar = new QWidget;
    sidebar->setAutoFillBackground(true);
    sidebar->setBackgroundRole(QPalette::AlternateBase);
    sidebar->setMinimumWidth(sidebarMinimumWidth);
    sidebar->setMaximumWidth(sidebarMaximumWidth);
    auto* sidebarLayout = new QVBoxLayout(sidebar);
    sidebarLayout->setContentsMargins(6, 0, 6, 6);
    sidebarLayout->addWidget(titleLabel);
    sidebarLayout->addWidget(m_sidebar);

    m_title->setFont(textStyleFont(TextStyle::title2, FontWeight::semibold));
    m_detail->addWidget(new QWidget);  // the empty screen of a section not installed yet
    auto* detail = new QWidget;
    auto* detailLayout = new QVBoxLayout(detail);
    detailLayout->setContentsMargins(20, 14, 20, 20);
    detailLayout->addWidget(m_title);
    detailLayout->addWidget(m_detail, 1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sidebar);
    layout->addWidget(detail, 1);
    resize(QSize(sidebarIdealWidth, 0) + QSize(minimumContentSize.width() - sidebarIdealWidth, minimumContentSize.height()));

    m_subscription = m_navigation.observers().add([this] { render(); });
    render();
}

void MainWindow::setSectionWidget(SidebarTab tab, QWidget* widget)
{
    m_detail->addWidget(widget);
    m_sections[tab] = widget;
    render();
}

void MainWindow::render()
{
    const SidebarTab selection = m_navigation.selection();
    const auto cases = allCases<SidebarTab>();
    const int row = int(std::find(cases.begin(), cases.end(), selection) - cases.begin());
    if (m_sidebar->currentRow() != row)
        m_sidebar->setCurrentRow(row);
    m_title->setText(toQString(m_navigation.detailTitle()));
    auto section = m_sections.find(selection);
    m_detail->setCurrentWidget(section != m_sections.end() ? section->second : m_detail->widget(0));
}

void MainWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!m_centred) {
        if (QScreen* target = screen())
            move(target->availableGeometry().center() - rect().center());
        m_centred = true;
    }
    m_navigation.contentShown();
}

void MainWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_navigation.contentHidden();
}

}  // namespace lopewell
