#pragma once

#include <QTreeView>

// The results table's view. A change announced for many rows repaints only the rows on screen: the tree
// view would otherwise walk every row of the span to find what to repaint, once per frame of a round.
class ResultsTreeView : public QTreeView
{
    Q_OBJECT
public:
    using QTreeView::QTreeView;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
};
