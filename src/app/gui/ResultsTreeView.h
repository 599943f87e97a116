#pragma once

#include <QPointer>
#include <QTreeView>

class QItemSelectionModel;

// The results table's view. A change announced for many rows repaints only the rows on screen: the tree
// view would otherwise walk every row of the span to find what to repaint, once per frame of a round. The
// header keeps a selection of its own: it marks only selected columns, which selecting whole rows never
// makes, yet sharing the rows' selection repaints the whole header on every move of the current row. A
// scroll asks the X server where the pointer is only when the pointer is over the rows, and the scroll bars
// repaint only when they would look different.
class ResultsTreeView : public QTreeView
{
    Q_OBJECT
public:
    explicit ResultsTreeView(QWidget* parent = nullptr);
    void setSelectionModel(QItemSelectionModel* selectionModel) override;

protected:
    void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                     const QList<int>& roles = QList<int>()) override;
    void verticalScrollbarValueChanged(int value) override;

private:
    QPointer<QItemSelectionModel> m_headerSelection;
};
