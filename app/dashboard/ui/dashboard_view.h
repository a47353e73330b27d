// The Dashboard section: cards for CPU (overall and per core), memory with its pressure, the
// GPU, the five busiest processes, and a way to the Support settings. It draws whatever its
// view model holds and re-draws on every change the model publishes.
#pragma once

#include <QWidget>
#include <vector>

#include "app/dashboard/dashboard_view_model.h"

class QGridLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace lopewell {

class CoreLoadRows;
class DashboardCard;
class ElidedLabel;
class SamplingSwitch;

class DashboardView final : public QWidget {
    Q_OBJECT

public:
    explicit DashboardView(DashboardViewModel& model, QWidget* parent = nullptr);

    // For tests: the parts whose contents follow the model.
    QLabel* cpuFigure() const { return m_cpuFigure; }
    QLabel* memoryPressure() const { return m_memoryPressure; }
    QWidget* gpuCard() const;
    QLabel* gpuName() const;
    QPushButton* supportButton() const { return m_supportButton; }
    // The top-processes table's cell texts, row by row (empty while sampling).
    std::vector<std::vector<QString>> topProcessCells() const;

private:
    void render();
    void renderCPU();
    void renderMemory();
    void renderGPU();
    void renderTopProcesses();

    DashboardViewModel& m_model;
    ChangeObservers::Subscription m_subscription;

    QLabel* m_cpuFigure;
    SamplingSwitch* m_cpuBody;
    CoreLoadRows* m_cores;

    QLabel* m_memoryFigure;
    QLabel* m_memoryPressure;
    QProgressBar* m_memoryBar;
    SamplingSwitch* m_memoryBody;
    std::vector<std::pair<QLabel*, QLabel*>> m_memoryRows;

    DashboardCard* m_gpuCard;
    ElidedLabel* m_gpuName;
    std::vector<std::pair<QLabel*, QLabel*>> m_gpuRows;

    SamplingSwitch* m_topBody;
    QGridLayout* m_topGrid;
    std::vector<std::vector<QLabel*>> m_topCells;

    QPushButton* m_supportButton;
};

}  // namespace lopewell
