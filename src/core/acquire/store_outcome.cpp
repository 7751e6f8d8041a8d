#include "core/acquire/store_outcome.h"

StoreOutcome StoreOutcome::failed(const QString& why, int storedBefore)
{
    StoreOutcome outcome(storedBefore);
    outcome.m_failure = why;
    return outcome;
}

StoreOutcome StoreOutcome::userCancelled()
{
    StoreOutcome outcome;
    outcome.m_cancelled = true;
    return outcome;
}

StoreOutcome::Kind StoreOutcome::kind() const
{
    if (m_cancelled)
        return Kind::Cancelled;
    if (m_failure)
        return Kind::Failed;
    return m_stored > 0 ? Kind::Stored : Kind::Unchanged;
}

void StoreOutcome::addFailure(const QString& why)
{
    m_failure = m_failure ? *m_failure + QStringLiteral("；") + why : why;
}
