#include "app/gui/SteadyScrollBar.h"

#include <QStyle>
#include <QStyleOptionSlider>

void SteadyScrollBar::sliderChange(SliderChange change)
{
    const bool shownAlike = change != SliderOrientationChange && m_hasPainted && look() == m_painted;
    if (!shownAlike)
        QScrollBar::sliderChange(change);
}

void SteadyScrollBar::paintEvent(QPaintEvent* event)
{
    m_painted = look();
    m_hasPainted = true;
    QScrollBar::paintEvent(event);
}

SteadyScrollBar::Look SteadyScrollBar::look() const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    return Look{style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
                value() == minimum(), value() == maximum()};
}
