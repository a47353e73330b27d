// How every screen shows a TrashFailureAlert: a window-modal box with the alert's title and
// message and a single "OK". It does not block: `onDismissed` runs when the user closes it, and
// the screen clears its alert state there.
#pragma once

#include <functional>
#include <string_view>

#include "core/trash/trash_failure_alert.h"

class QMessageBox;
class QWidget;

namespace lopewell {

inline constexpr std::string_view trashFailureAlertButton = "OK";

QMessageBox* showTrashFailureAlert(QWidget* parent, const TrashFailureAlert& alert, std::function<void()> onDismissed);

}  // namespace lopewell
