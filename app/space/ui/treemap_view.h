// The disk map of one folder: its treemap plan painted as rounded cells with labels and folder
// previews; a click selects a cell, a double click on a folder drills into it. The same painter
// draws the PNG of `lopewell space --png`.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "app/space/treemap_plan.h"
#include "core/base/error_or.h"

class QPainter;

namespace lopewell {

class TreemapView final : public QWidget {
public:
    explicit TreemapView(QWidget* parent = nullptr);

    void setNode(std::optional<DiskNode> node, std::optional<std::string> selectedPath);
    void setOnSelect(std::function<void(const DiskNode&)> onSelect) { m_onSelect = std::move(onSelect); }
    void setOnDrill(std::function<void(const DiskNode&)> onDrill) { m_onDrill = std::move(onDrill); }

    const TreemapPlan& plan() const { return m_plan; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void replan();

    std::optional<DiskNode> m_node;
    std::optional<std::string> m_selectedPath;
    TreemapPlan m_plan;
    std::function<void(const DiskNode&)> m_onSelect;
    std::function<void(const DiskNode&)> m_onDrill;
};

void paintTreemap(QPainter& painter, const TreemapPlan& plan);

// Draws `folder`'s map at width × height pixels into a PNG file. Needs a QGuiApplication.
ErrorOr<void> writeTreemapPng(const DiskNode& folder, const std::string& file, int width, int height);
// The same from a program without one (the command line): starts an offscreen one first.
ErrorOr<void> writeTreemapPngOffscreen(const DiskNode& folder, const std::string& file, int width, int height);

}  // namespace lopewell
