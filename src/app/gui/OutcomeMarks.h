#pragma once

#include "results/ResultsModel.h"

#include <QIcon>
#include <QString>

// How a results row shows its last outcome besides its colour: a small mark and a word for it.
namespace OutcomeMarks
{
// A tick, a cross or a ring.
QIcon icon(ResultsModel::Outcome outcome);
QString text(ResultsModel::Outcome outcome);
// A degraded host (answering, but slowly or with loss) has an amber triangle instead; a silenced one's mark
// is struck through. Both shapes tell it apart without colour.
QIcon icon(ResultsModel::Outcome outcome, bool degraded, bool silenced);
} // namespace OutcomeMarks
