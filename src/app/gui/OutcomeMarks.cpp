#include "app/gui/OutcomeMarks.h"

#include <QColor>
#include <QPainter>
#include <QPixmap>

namespace OutcomeMarks
{

// Marks drawn in the first column, so the outcome does not rest on colour alone: a tick, a cross, a ring.
QIcon icon(ResultsModel::Outcome outcome)
{
    auto draw = [](const QColor& fill, auto&& stroke) {
        QPixmap image(12, 12);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        if (fill.alpha() > 0)
            p.drawEllipse(QRectF(0.5, 0.5, 11, 11));
        stroke(p);
        return QIcon(image);
    };
    static const QIcon answering = draw(QColor(30, 140, 60), [](QPainter& p) {
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(3, 6.2), QPointF(5.2, 8.4), QPointF(9, 3.8)}));
    });
    static const QIcon failing = draw(QColor(200, 30, 30), [](QPainter& p) {
        p.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3.8, 3.8), QPointF(8.2, 8.2));
        p.drawLine(QPointF(8.2, 3.8), QPointF(3.8, 8.2));
    });
    static const QIcon notYet = draw(Qt::transparent, [](QPainter& p) {
        p.setPen(QPen(QColor(128, 128, 128), 1.4));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(1.5, 1.5, 9, 9));
    });
    switch (outcome) {
    case ResultsModel::Outcome::Answering:
        return answering;
    case ResultsModel::Outcome::Failing:
        return failing;
    default:
        return notYet;
    }
}

QIcon icon(ResultsModel::Outcome outcome, bool degraded, bool silenced)
{
    if (!degraded && !silenced)
        return icon(outcome);
    static QIcon cache[3][2][2];
    QIcon& cached = cache[static_cast<int>(outcome)][degraded][silenced];
    if (!cached.isNull())
        return cached;
    QPixmap image(12, 12);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (degraded) {
        p.setPen(QPen(QColor(120, 70, 0), 1));
        p.setBrush(QColor(240, 165, 0));
        p.drawPolygon(QPolygonF({QPointF(6, 0.8), QPointF(11.3, 11), QPointF(0.7, 11)}));
        p.setPen(QPen(QColor(60, 30, 0), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 4.2), QPointF(6, 7.4));
        p.drawPoint(QPointF(6, 9.4));
    } else {
        icon(outcome).paint(&p, QRect(0, 0, 12, 12));
    }
    if (silenced) {
        // A bar from corner to corner, outlined so it shows on any mark and any base.
        p.setPen(QPen(Qt::white, 3.2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(1.5, 1.5), QPointF(10.5, 10.5));
        p.setPen(QPen(QColor(40, 40, 40), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(1.5, 1.5), QPointF(10.5, 10.5));
    }
    p.end();
    cached = QIcon(image);
    return cached;
}

QString text(ResultsModel::Outcome outcome)
{
    switch (outcome) {
    case ResultsModel::Outcome::Answering:
        return QStringLiteral("Answering");
    case ResultsModel::Outcome::Failing:
        return QStringLiteral("Failing");
    default:
        return QStringLiteral("Not yet pinged");
    }
}

} // namespace OutcomeMarks
