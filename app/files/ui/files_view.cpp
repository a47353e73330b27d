#include "app/files/ui/files_view.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

#include "app/common/ui/category_inspector_sheet.h"
#include "app/common/ui/theme.h"
#include "app/common/ui/widgets.h"

namespace lopewell {

namespace fs = std::filesystem;

namespace {

template <typename Value, std::size_t Count>
void fillPicker(QComboBox* picker, const std::array<FilesOption<Value>, Count>& options, Value current)
{
    for (const auto& option : options) {
        picker->addItem(toQString(option.label), QVariant::fromValue(static_cast<qulonglong>(option.value)));
        if (option.value == current)
            picker->setCurrentIndex(picker->count() - 1);
    }
}

}  // namespace

FilesView::FilesView(FilesViewModel& model, std::function<Date()> now, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_now(now ? std::move(now) : [] { return Date(std::chrono::system_clock::now()); })
    , m_segments(new QButtonGroup(this))
    , m_stack(new QStackedWidget)
    , m_clock(new QTimer(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 4, 8, 8);
    layout->setSpacing(10);
    auto* title = new QLabel(toQString(filesTitle));
    title->setFont(textStyleFont(TextStyle::title2, FontWeight::semibold));
    layout->addWidget(title);
    layout->addWidget(caption(filesIntroText));

    auto* segmentRow = new QHBoxLayout;
    segmentRow->setSpacing(0);
    for (FilesSlot slot : allCases<FilesSlot>()) {
        auto* button = new QPushButton(toQString(filesSegmentTitle(slot)));
        button->setCheckable(true);
        button->setAutoDefault(false);
        button->setObjectName(toQString(rawValue(slot)));
        m_segments->addButton(button, int(slot));
        segmentRow->addWidget(button);
        m_stack->addWidget(makePane(slot));
    }
    m_segments->setExclusive(true);
    m_segments->button(0)->setChecked(true);
    connect(m_segments, &QButtonGroup::idClicked, this, [this](int id) { showPane(FilesSlot(id)); });
    segmentRow->addStretch();
    layout->addLayout(segmentRow);
    layout->addWidget(m_stack);
    layout->addStretch();

    // Relative times ("5 min. ago") age while the section is on screen.
    m_clock->setInterval(30'000);
    connect(m_clock, &QTimer::timeout, this, [this] { render(); });
    m_subscription = m_model.observers().add([this] { render(); });
    render();
}

FilesView::~FilesView()
{
    if (m_sheet)
        delete m_sheet.data();
}

QWidget* FilesView::makePane(FilesSlot slot)
{
    PaneWidgets& pane = m_panes[std::size_t(slot)];
    auto* widget = new QFrame;
    widget->setObjectName(QStringLiteral("filesPane"));
    widget->setStyleSheet(
        QStringLiteral("#filesPane { background: palette(base); border: 1px solid palette(midlight); border-radius: 8px; }"));
    auto* layout = new QVBoxLayout(widget);
    layout->setContentsMargins(14, 12, 14, 12);
    layout->setSpacing(10);

    pane.description = caption("");
    layout->addWidget(pane.description);

    auto* folderRow = new QHBoxLayout;
    auto* folderLabel = new QLabel(toQString(filesFolderLabel));
    folderLabel->setFont(textStyleFont(TextStyle::headline));
    pane.folder = new QLabel;
    pane.folder->setTextFormat(Qt::PlainText);  // any folder may be named "<img src=…>"
    pane.folder->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pane.folder->setFont(textStyleFont(TextStyle::callout, std::nullopt, FontDesign::monospaced));
    auto* choose = new QPushButton(themeIcon("folder-open,document-open"), QStringLiteral("Choose…"));
    choose->setToolTip(toQString(filesPickFolderHelp));
    choose->setAutoDefault(false);
    connect(choose, &QPushButton::clicked, this, [this, slot] { m_model.pickFolder(slot); });
    folderRow->addWidget(folderLabel);
    folderRow->addWidget(pane.folder, 1);
    folderRow->addWidget(choose);
    layout->addLayout(folderRow);

    auto* pickerRow = new QHBoxLayout;
    pane.picker = new QComboBox;
    pane.picker->setObjectName(toQString(rawValue(slot)) + QStringLiteral(".picker"));
    std::string_view pickerLabel;
    switch (slot) {
    case FilesSlot::largeFiles:
        pickerLabel = largeFilesPickerLabel;
        fillPicker(pane.picker, largeFilesThresholdOptions, m_model.largeFilesThreshold());
        break;
    case FilesSlot::oldFiles:
        pickerLabel = oldFilesPickerLabel;
        fillPicker(pane.picker, oldFilesAgeOptions, m_model.oldFilesAgeDays());
        break;
    case FilesSlot::duplicates:
        pickerLabel = duplicatesPickerLabel;
        fillPicker(pane.picker, duplicatesMinSizeOptions, m_model.duplicatesMinSize());
        break;
    }
    connect(pane.picker, &QComboBox::activated, this, [this, slot](int index) {
        const auto value = m_panes[std::size_t(slot)].picker->itemData(index).toULongLong();
        if (slot == FilesSlot::largeFiles)
            m_model.setLargeFilesThreshold(value);
        else if (slot == FilesSlot::oldFiles)
            m_model.setOldFilesAgeDays(int(value));
        else
            m_model.setDuplicatesMinSize(value);
    });
    pickerRow->addWidget(new QLabel(toQString(pickerLabel)));
    pickerRow->addWidget(pane.picker);
    pickerRow->addStretch();
    layout->addLayout(pickerRow);

    auto* stateRow = new QHBoxLayout;
    pane.warning = new QLabel;
    pane.warning->setPixmap(themeIcon("dialog-warning").pixmap(18, 18));
    pane.headline = new QLabel;
    pane.headline->setFont(textStyleFont(TextStyle::title3, FontWeight::semibold));
    pane.detail = new QLabel;
    pane.detail->setFont(textStyleFont(TextStyle::callout));
    pane.detail->setStyleSheet(QStringLiteral("color: palette(placeholder-text);"));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(pane.headline);
    texts->addWidget(pane.detail);
    pane.buttons = new QHBoxLayout;
    stateRow->addWidget(pane.warning, 0, Qt::AlignTop);
    stateRow->addLayout(texts, 1);
    stateRow->addLayout(pane.buttons);
    layout->addLayout(stateRow);
    return widget;
}

void FilesView::showPane(FilesSlot slot)
{
    m_current = slot;
    m_segments->button(int(slot))->setChecked(true);
    m_stack->setCurrentIndex(int(slot));
}

void FilesView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    render();
    m_clock->start();
}

void FilesView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_clock->stop();
}

void FilesView::render()
{
    for (FilesSlot slot : allCases<FilesSlot>())
        renderPane(slot);
}

void FilesView::renderPane(FilesSlot slot)
{
    PaneWidgets& pane = m_panes[std::size_t(slot)];
    pane.description->setText(toQString(m_model.paneDescription(slot)));
    // Names that are not UTF-8 show with replacement marks; the path itself stays bytes.
    pane.folder->setText(toQString(m_model.root(slot).native()));
    pane.folder->setToolTip(plainToolTip(toQString(m_model.root(slot).native())));
    const bool scanning = m_model.isScanning(slot);
    pane.picker->setEnabled(!scanning);

    FilesStateRow row = m_model.stateRow(slot);
    if (pane.rendered && row == pane.shown)
        return;
    pane.rendered = true;
    pane.shown = row;
    pane.warning->setVisible(row.showsWarning);
    pane.headline->setText(toQString(row.headline));
    pane.headline->setFont(
        textStyleFont(row.kind == FilesStateRow::Kind::scanned ? TextStyle::title3 : TextStyle::headline, FontWeight::semibold));
    pane.detail->setVisible(!row.detail.empty());
    pane.detail->setText(toQString(row.detail));

    // A button may be the one whose click led here: let it finish its signal first.
    for (QPushButton* button : pane.buttonWidgets) {
        button->hide();
        button->deleteLater();
    }
    pane.buttonWidgets.clear();
    for (const std::string& title : row.buttons) {
        auto* button = new QPushButton(toQString(title));
        button->setAutoDefault(false);
        if (title == "Review")
            button->setEnabled(m_model.reviewItems(slot).has_value());
        connect(button, &QPushButton::clicked, this, [this, slot, title] { perform(slot, title); });
        pane.buttons->addWidget(button);
        pane.buttonWidgets.push_back(button);
    }
}

QPushButton* FilesView::stateButton(FilesSlot slot, std::string_view title) const
{
    for (QPushButton* button : m_panes[std::size_t(slot)].buttonWidgets) {
        if (button->text() == toQString(title))
            return button;
    }
    return nullptr;
}

void FilesView::perform(FilesSlot slot, const std::string& button)
{
    if (button == "Cancel")
        m_model.cancel(slot);
    else if (button == "Review")
        review(slot);
    else
        m_model.scan(slot);  // Scan, Re-scan, Retry
}

CategoryInspectorSheet* FilesView::sheet() const
{
    return m_sheet.data();
}

void FilesView::review(FilesSlot slot)
{
    std::optional<FilesReviewRequest> request = m_model.reviewAllItems(slot);
    if (!request)
        return;
    if (m_sheet) {
        m_sheet->hide();
        delete m_sheet.data();
    }
    CategoryInspectorModel::Options options;
    options.title = std::string(filesSegmentTitle(slot));
    options.words = m_model.words();
    options.preselectAll = false;
    options.defaultSelection = request->defaultSelection;
    options.staysOpen = true;
    m_inspector = std::make_unique<CategoryInspectorModel>(
        options, std::move(request->items), [this, slot](std::vector<StorageItem> chosen, CategoryInspectorModel::RemoveDone done) {
            std::vector<std::string> paths;
            for (const StorageItem& item : chosen)
                paths.push_back(item.path);
            const int count = int(paths.size());
            auto callback = std::make_shared<CategoryInspectorModel::RemoveDone>(std::move(done));
            if (!m_model.trash(slot, std::move(paths), [callback](RemovalOutcome outcome) { (*callback)(std::move(outcome)); })) {
                RemovalOutcome refused;
                refused.failedCount = count;
                refused.error = "Another move to the Trash is still running.";
                (*callback)(std::move(refused));
            }
        });
    m_sheet = new CategoryInspectorSheet(*m_inspector, this);
    m_sheet->open();
}

}  // namespace lopewell
