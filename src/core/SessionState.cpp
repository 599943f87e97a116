#include "core/SessionState.h"

void SessionState::beginBusy()
{
    if (++m_busy == 1)
        Q_EMIT busyChanged(true);
}

void SessionState::endBusy()
{
    if (m_busy > 0 && --m_busy == 0)
        Q_EMIT busyChanged(false);
}
