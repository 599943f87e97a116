#pragma once

#include <QRect>
#include <QScrollBar>

// A scroll bar that repaints only when it would look different. Over thousands of rows, moving by a row or
// the layout setting the same range again leaves the slider where it was to the pixel, yet the plain scroll
// bar repaints itself, and the window beneath it (it is not opaque), on every such change: on a key press
// that scrolls the results, more than the rows themselves cost.
class SteadyScrollBar : public QScrollBar
{
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What a value or range change can alter in the picture: where the slider is, and whether the arrows
    // at either end are greyed.
    struct Look {
        QRect slider;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    Look m_painted;
    bool m_hasPainted = false;
};
