#include "app/shell/ui/about_window.h"

#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"
#include "app/shell/about_model.h"
#include "app/shell/ui/tray_icon_renderer.h"

namespace lopewell {

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(toQString(AboutText::windowTitle));

    auto* icon = new QLabel;
    icon->setPixmap(QPixmap::fromImage(renderApplicationIcon(64)));
    auto* name = new QLabel(toQString(AboutText::applicationName));
    name->setFont(textStyleFont(TextStyle::title, FontWeight::bold));
    auto* version = new QLabel(toQString(aboutVersionLineForThisBuild()));
    version->setForegroundRole(QPalette::PlaceholderText);
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* feedback = new QLabel(QStringLiteral("%1: <a href=\"%2\">%3</a>")
            .arg(toQString(AboutText::feedbackLabel), toQString(aboutFeedbackURL()).toHtmlEscaped(),
                toQString(aboutFeedbackAddress()).toHtmlEscaped()));
    feedback->setOpenExternalLinks(true);

    auto* privacyHeading = sectionHeading(AboutText::privacyHeading);
    auto* privacyText = caption(AboutText::privacyText);

    auto* supportBox = new QFrame;
    supportBox->setFrameShape(QFrame::StyledPanel);
    auto* supportLayout = new QVBoxLayout(supportBox);
    supportLayout->addWidget(sectionHeading(AboutText::supportHeading));
    supportLayout->addWidget(caption(AboutText::supportText));
    for (const LinkRow& row : aboutSupportLinks())
        supportLayout->addWidget(new LinkRowButton(row));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(6);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(name, 0, Qt::AlignHCenter);
    layout->addWidget(version, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addWidget(feedback, 0, Qt::AlignHCenter);
    layout->addSpacing(10);
    layout->addWidget(privacyHeading);
    layout->addWidget(privacyText);
    layout->addSpacing(10);
    layout->addWidget(supportBox);
    setFixedWidth(380);
    setFixedHeight(sizeHint().height());
}

}  // namespace lopewell
