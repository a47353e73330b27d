// "About Lopewell": name, version and build, feedback address, privacy note, support links.
#pragma once

#include <QWidget>

namespace lopewell {

class AboutWindow final : public QWidget {
public:
    explicit AboutWindow(QWidget* parent = nullptr);
};

}  // namespace lopewell
