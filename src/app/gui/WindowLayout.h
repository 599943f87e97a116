#pragma once

#include <QLayout>
#include <QList>
#include <QRect>

// Places the window's controls where a fixed layout puts them at the default size, and shares any extra
// room: the two tables take the extra height (the results table two thirds of it), controls below a table
// move down with it, and controls grow or move across as their horizontal rule says. Heights of buttons and
// fields never change. The window cannot be made smaller than the default size.
class WindowLayout : public QLayout
{
public:
    enum class Across { Fixed, Full, LeftHalf, RightHalf };
    enum class Down { Top, HostTable, BelowHostTable, ResultsTable, Bottom };

    WindowLayout(QWidget* parent, QSize defaultSize);
    ~WindowLayout() override;

    void addWidget(QWidget* widget, const QRect& atDefaultSize, Across across, Down down);

    void addItem(QLayoutItem* item) override;
    int count() const override { return static_cast<int>(m_items.size()); }
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    QSize sizeHint() const override { return m_defaultSize; }
    QSize minimumSize() const override { return m_defaultSize; }
    void setGeometry(const QRect& rect) override;

    // Where a control with these rules lies in a window of this size.
    static QRect place(const QRect& atDefaultSize, Across across, Down down, QSize defaultSize, QSize size);

private:
    struct Item {
        QLayoutItem* item;
        QRect atDefaultSize;
        Across across;
        Down down;
    };
    QList<Item> m_items;
    QSize m_defaultSize;
};
