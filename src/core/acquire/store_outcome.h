#pragma once

#include <QString>
#include <optional>

// What a reader or a fill did to a lottery's table, as every one of them returns it: it stored new
// draws, found nothing new (unchanged), failed (why, in the user's words; the draws stored before
// the failure stay stored and are counted), or was cancelled by the user before it stored any.
class StoreOutcome {
public:
    enum class Kind { Stored, Unchanged, Failed, Cancelled };

    // Went through with `stored` new draws; none is unchanged.
    explicit StoreOutcome(int stored = 0) : m_stored(stored) {}
    static StoreOutcome failed(const QString& why, int storedBefore = 0);
    static StoreOutcome userCancelled();

    Kind kind() const;
    int stored() const { return m_stored; }
    // Why it failed; none when it went through or was cancelled.
    const std::optional<QString>& failure() const { return m_failure; }
    bool cancelled() const { return m_cancelled; }
    // Neither failed nor cancelled: stored what was new, or found nothing new.
    bool succeeded() const { return !m_failure && !m_cancelled; }

    // A later step of the same run (a fill behind a feed): its draws count with these, and what it
    // failed at follows any failure there is, after "；".
    void addStored(int more) { m_stored += more; }
    void addFailure(const QString& why);

private:
    int m_stored = 0;
    std::optional<QString> m_failure;
    bool m_cancelled = false;
};
