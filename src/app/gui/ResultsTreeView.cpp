#include "app/gui/ResultsTreeView.h"

#include "app/gui/SteadyScrollBar.h"

#include <QHeaderView>
#include <QItemSelectionModel>
#include <algorithm>

ResultsTreeView::ResultsTreeView(QWidget* parent) : QTreeView(parent)
{
    setVerticalScrollBar(new SteadyScrollBar(Qt::Vertical, this));
    setHorizontalScrollBar(new SteadyScrollBar(Qt::Horizontal, this));
}

void ResultsTreeView::setSelectionModel(QItemSelectionModel* selectionModel)
{
    QTreeView::setSelectionModel(selectionModel);
    if (!m_headerSelection || m_headerSelection->model() != model()) {
        delete m_headerSelection;
        m_headerSelection = new QItemSelectionModel(model(), this);
    }
    header()->setSelectionModel(m_headerSelection);
}

void ResultsTreeView::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight, const QList<int>& roles)
{
    if (!topLeft.isValid() || !bottomRight.isValid() || topLeft.parent().isValid() || !model()) {
        QTreeView::dataChanged(topLeft, bottomRight, roles);
        return;
    }
    // Rows are all one height, so the rows on screen follow from the viewport's top and bottom.
    const QModelIndex top = indexAt(QPoint(0, 0));
    const QModelIndex bottom = indexAt(QPoint(0, viewport()->height() - 1));
    const int first = std::max(topLeft.row(), top.isValid() ? top.row() : 0);
    const int last = std::min(bottomRight.row(), bottom.isValid() ? bottom.row() : model()->rowCount() - 1);
    if (first > last)
        return;
    QTreeView::dataChanged(model()->index(first, topLeft.column()), model()->index(last, bottomRight.column()), roles);
}

void ResultsTreeView::verticalScrollbarValueChanged(int value)
{
    // The base class looks up the pointer (a round trip to the X server) to update the hovered row; the
    // table fetches nothing more at the end, so with the pointer elsewhere there is nothing to do.
    if (viewport()->underMouse())
        QTreeView::verticalScrollbarValueChanged(value);
}
