// Small building blocks every screen uses: text conversion, section headings, captions, plain and
// middle-elided labels, and the link row (icon, title, subtitle, an "opens elsewhere" mark) that opens its address.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <string_view>

#include "app/common/link_row.h"

namespace lopewell {

inline QString toQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Qt guesses whether a tool tip is markup; text from files and other processes must never be
// taken for it.
QString plainToolTip(const QString& text);

QLabel* sectionHeading(std::string_view text);
QLabel* caption(std::string_view text);  // secondary, wrapped
// Text from files and other processes, never taken for markup.
QLabel* plainLabel(std::string_view text);

// A label whose text is cut in the middle when it does not fit, keeping both ends of a path or
// an identifier; the whole text is its tool tip.
class MiddleElidedLabel final : public QLabel {
public:
    explicit MiddleElidedLabel(QString text);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QString m_full;
};

class LinkRowButton final : public QPushButton {
public:
    explicit LinkRowButton(const LinkRow& row, QWidget* parent = nullptr);

    const LinkRow& row() const { return m_row; }

private:
    LinkRow m_row;
};

}  // namespace lopewell
