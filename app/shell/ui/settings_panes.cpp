#include "app/shell/ui/settings_panes.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/shell/app_updater.h"

namespace lopewell {

namespace {

QVBoxLayout* paneLayout(QWidget* pane)
{
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->setSpacing(6);
    return layout;
}

void addSectionGap(QVBoxLayout* layout)
{
    layout->addSpacing(12);
}

}  // namespace

GeneralPane::GeneralPane(GeneralPaneModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_menuBar(new QCheckBox(toQString(GeneralPaneText::menuBarToggle)))
    , m_dock(new QCheckBox(toQString(GeneralPaneText::dockToggle)))
    , m_login(new QCheckBox(toQString(GeneralPaneText::loginToggle)))
    , m_error(new QWidget)
    , m_errorText(new QLabel)
{
    auto* layout = paneLayout(this);
    layout->addWidget(sectionHeading(GeneralPaneText::menuBarSection));
    layout->addWidget(m_menuBar);
    layout->addWidget(caption(GeneralPaneText::menuBarCaption));
    layout->addWidget(m_dock);
    layout->addWidget(caption(GeneralPaneText::dockCaption));
    addSectionGap(layout);
    layout->addWidget(sectionHeading(GeneralPaneText::atLaunchSection));
    layout->addWidget(m_login);

    auto* errorIcon = new QLabel;
    errorIcon->setPixmap(themeIcon(iconThemeName(GeneralPaneText::errorSymbol)).pixmap(14, 14));
    m_errorText->setWordWrap(true);
    m_errorText->setFont(textStyleFont(TextStyle::caption));
    m_errorText->setStyleSheet(QStringLiteral("color: %1;").arg(toQColor(SystemColor::red).name()));
    auto* errorRow = new QHBoxLayout(m_error);
    errorRow->setContentsMargins(0, 0, 0, 0);
    errorRow->addWidget(errorIcon, 0, Qt::AlignTop);
    errorRow->addWidget(m_errorText, 1);
    layout->addWidget(m_error);
    layout->addStretch();

    // The toggles send the user's intent; the model decides the state and render() shows it.
    connect(m_menuBar, &QCheckBox::clicked, this, [this](bool on) { m_model.setMenuBarEnabled(on); });
    connect(m_dock, &QCheckBox::clicked, this, [this](bool on) { m_model.setHideFromDock(on); });
    connect(m_login, &QCheckBox::clicked, this, [this](bool on) { m_model.setAutoLaunchEnabled(on); });
    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

void GeneralPane::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    m_model.paneShown();
    render();
}

void GeneralPane::render()
{
    m_menuBar->setChecked(m_model.menuBarEnabled());
    m_dock->setChecked(m_model.hideFromDock());
    m_login->setChecked(m_model.autoLaunchEnabled());
    m_error->setVisible(m_model.errorMessage().has_value());
    m_errorText->setText(toQString(m_model.errorMessage().value_or("")));
}

UpdatesPane::UpdatesPane(AppUpdater& updater, QWidget* parent)
    : QWidget(parent)
    , m_updater(updater)
    , m_automatic(new QCheckBox(toQString(UpdatesPaneText::automaticChecksToggle)))
    , m_lastChecked(new QLabel)
    , m_checkNow(new QPushButton(toQString(UpdatesPaneText::checkNowButton)))
    , m_outcome(new QLabel)
    , m_viewRelease(new QPushButton(toQString(UpdateCheckText::viewReleaseButton)))
{
    auto* layout = paneLayout(this);
    layout->addWidget(sectionHeading(UpdatesPaneText::automaticChecksSection));
    layout->addWidget(m_automatic);
    layout->addWidget(caption(UpdatesPaneText::automaticChecksCaption));
    addSectionGap(layout);
    layout->addWidget(sectionHeading(UpdatesPaneText::statusSection));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(toQString(UpdatesPaneText::lastCheckedLabel)));
    row->addWidget(m_lastChecked, 1);
    row->addWidget(m_checkNow);
    layout->addLayout(row);
    m_outcome->setWordWrap(true);
    layout->addWidget(m_outcome);
    layout->addWidget(m_viewRelease, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(m_automatic, &QCheckBox::clicked, this, [this](bool on) { m_updater.setAutomaticallyChecksForUpdates(on); });
    connect(static_cast<QPushButton*>(m_checkNow), &QPushButton::clicked, this, [this] { m_updater.checkForUpdates(); });
    connect(static_cast<QPushButton*>(m_viewRelease), &QPushButton::clicked, this, [this] {
        if (const auto& outcome = m_updater.lastOutcome()) {
            if (auto page = releasePageUrl(*outcome))
                QDesktopServices::openUrl(QUrl(toQString(*page), QUrl::StrictMode));
        }
    });
    m_subscription = m_updater.observers().add([this] { render(); });
    render();
}

void UpdatesPane::render()
{
    m_automatic->setChecked(m_updater.automaticallyChecksForUpdates());
    m_lastChecked->setText(toQString(m_updater.lastCheckDescription()));
    m_checkNow->setEnabled(m_updater.canCheckForUpdates());
    const auto& outcome = m_updater.lastOutcome();
    m_outcome->setVisible(outcome.has_value());
    m_viewRelease->setVisible(outcome && releasePageUrl(*outcome).has_value());
    if (outcome) {
        m_outcome->setText(QStringLiteral("<b>%1</b><br>%2")
                .arg(toQString(outcomeHeadline(*outcome)).toHtmlEscaped(), toQString(outcomeDetail(*outcome)).toHtmlEscaped()));
    }
}

QWidget* makePrivacyPane()
{
    auto* pane = new QWidget;
    auto* layout = paneLayout(pane);
    layout->addWidget(sectionHeading(PrivacyPaneText::onDeviceSection));
    auto* heading = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(themeIcon(iconThemeName(PrivacyPaneText::onDeviceSymbol)).pixmap(22, 22));
    auto* title = new QLabel(toQString(PrivacyPaneText::onDeviceHeading));
    title->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
    heading->addWidget(icon);
    heading->addWidget(title, 1);
    layout->addLayout(heading);
    auto* paragraph = new QLabel(toQString(PrivacyPaneText::onDeviceParagraph));
    paragraph->setWordWrap(true);
    layout->addWidget(paragraph);
    addSectionGap(layout);
    layout->addWidget(sectionHeading(PrivacyPaneText::verifySection));
    layout->addWidget(new QLabel(toQString(PrivacyPaneText::verifyInstruction)));
    auto* command = new QLabel(toQString(PrivacyPaneText::verifyCommand));
    command->setFont(textStyleFont(TextStyle::callout, std::nullopt, FontDesign::monospaced));
    command->setTextInteractionFlags(Qt::TextSelectableByMouse);
    command->setStyleSheet(
        QStringLiteral("QLabel { background: palette(base); border: 1px solid palette(mid); border-radius: 4px; padding: 6px; }"));
    layout->addWidget(command);
    layout->addWidget(caption(PrivacyPaneText::verifyExpectation));
    layout->addStretch();
    return pane;
}

QWidget* makeSupportPane()
{
    auto* pane = new QWidget;
    auto* layout = paneLayout(pane);
    layout->addWidget(sectionHeading(SupportPaneText::supportSection));
    auto* text = new QLabel(toQString(SupportPaneText::supportText));
    text->setWordWrap(true);
    layout->addWidget(text);
    for (const LinkRow& row : supportPaneLinks())
        layout->addWidget(new LinkRowButton(row));
    addSectionGap(layout);
    layout->addWidget(sectionHeading(SupportPaneText::feedbackSection));
    layout->addWidget(new QLabel(toQString(SupportPaneText::feedbackText)));
    layout->addWidget(new LinkRowButton(supportPaneFeedbackLink()));
    layout->addStretch();
    return pane;
}

}  // namespace lopewell
