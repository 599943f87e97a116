#include "app/gui/WindowLayout.h"

#include <QWidget>

WindowLayout::WindowLayout(QWidget* parent, QSize defaultSize) : QLayout(parent), m_defaultSize(defaultSize)
{
    setSizeConstraint(QLayout::SetMinimumSize);
}

WindowLayout::~WindowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void WindowLayout::addWidget(QWidget* widget, const QRect& atDefaultSize, Across across, Down down)
{
    addChildWidget(widget);
    widget->setGeometry(atDefaultSize); // in place before the first show, too
    m_items.append(Item{new QWidgetItem(widget), atDefaultSize, across, down});
    invalidate();
}

void WindowLayout::addItem(QLayoutItem* item)
{
    // Items added without rules keep their place at the default size.
    m_items.append(Item{item, item->geometry(), Across::Fixed, Down::Top});
}

QLayoutItem* WindowLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index).item : nullptr;
}

QLayoutItem* WindowLayout::takeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return nullptr;
    return m_items.takeAt(index).item;
}

QRect WindowLayout::place(const QRect& atDefaultSize, Across across, Down down, QSize defaultSize, QSize size)
{
    const int extraWidth = std::max(0, size.width() - defaultSize.width());
    const int extraHeight = std::max(0, size.height() - defaultSize.height());
    const int hostShare = extraHeight / 3; // the results table, where the rows are watched, gets the rest
    const int leftShare = extraWidth / 2;
    QRect r = atDefaultSize;
    switch (across) {
    case Across::Full:
        r.setWidth(r.width() + extraWidth);
        break;
    case Across::LeftHalf:
        r.setWidth(r.width() + leftShare);
        break;
    case Across::RightHalf:
        r.translate(leftShare, 0);
        r.setWidth(r.width() + extraWidth - leftShare);
        break;
    case Across::Fixed:
        break;
    }
    switch (down) {
    case Down::HostTable:
        r.setHeight(r.height() + hostShare);
        break;
    case Down::BelowHostTable:
        r.translate(0, hostShare);
        break;
    case Down::ResultsTable:
        r.translate(0, hostShare);
        r.setHeight(r.height() + extraHeight - hostShare);
        break;
    case Down::Bottom:
        r.translate(0, extraHeight);
        break;
    case Down::Top:
        break;
    }
    return r;
}

void WindowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    for (const Item& i : std::as_const(m_items)) {
        const QRect r = place(i.atDefaultSize, i.across, i.down, m_defaultSize, rect.size()).translated(rect.topLeft());
        // Widgets take their rectangle exactly, as the fixed layout gave it, without style margins.
        if (QWidget* widget = i.item->widget())
            widget->setGeometry(r);
        else
            i.item->setGeometry(r);
    }
}
