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
} // namespace OutcomeMarks
