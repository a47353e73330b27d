#include "app/common/ui/trash_failure_alert_box.h"

#include <QMessageBox>

#include "app/common/ui/widgets.h"

namespace lopewell {

QMessageBox* showTrashFailureAlert(QWidget* parent, const TrashFailureAlert& alert, std::function<void()> onDismissed)
{
    auto* box = new QMessageBox(parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
    box->setIcon(QMessageBox::Warning);
    box->setWindowTitle(toQString(alert.title));
    box->setText(toQString(alert.title));
    box->setInformativeText(toQString(alert.message));
    box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label, QLabel#qt_msgbox_informativelabel { min-width: 300px; }"));
    box->setObjectName(QStringLiteral("trashFailureAlert"));
    box->addButton(toQString(trashFailureAlertButton), QMessageBox::AcceptRole);
    QObject::connect(box, &QMessageBox::finished, box, [onDismissed = std::move(onDismissed)](int) {
        if (onDismissed)
            onDismissed();
    });
    box->open();
    return box;
}

}  // namespace lopewell
