// The "Uninstaller" tile: takes an application dropped on it (the first dropped file the view
// model calls an application; anything else is refused), outlines itself in the accent colour
// while a drag hovers, offers the chooser, and shows a small progress row while leftovers are
// being looked for.
#pragma once

#include <QFrame>
#include <filesystem>
#include <vector>

class QLabel;
class QMimeData;
class QProgressBar;
class QPushButton;

namespace lopewell {

class AppsViewModel;

class UninstallerDropZone final : public QFrame {
public:
    explicit UninstallerDropZone(AppsViewModel& model, QWidget* parent = nullptr);

    void setScanning(bool scanning);
    bool isDragOver() const { return m_dragOver; }
    QPushButton* chooseButton() const { return m_choose; }
    QLabel* progressLabel() const { return m_progressLabel; }

    // A drop of these local paths, as the drop event hands them over.
    static std::vector<std::filesystem::path> localPaths(const QMimeData* mime);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void setDragOver(bool over);

    AppsViewModel& m_model;
    QPushButton* m_choose;
    QProgressBar* m_progress;
    QLabel* m_progressLabel;
    bool m_dragOver = false;
};

}  // namespace lopewell
