#pragma once

#include <QDeadlineTimer>
#include <QMetaObject>
#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

// The answer of one store operation: made once on the database thread, taken
// on the window's thread, either by a continuation (then) or by a wait that
// keeps the window answering (DatabaseWait). An operation asked of a store
// already shut down is given up at once: waits for it end, continuations
// never run.
template <class T> class StoreReply
{
public:
    StoreReply() : m_state(std::make_shared<State>()) {}

    // On the database thread, once. The continuations are posted before a
    // waiter wakes, so a waiter that then handles posted events sees them.
    void set(T value) const
    {
        std::vector<std::function<void()>> hooks;
        {
            const QMutexLocker lock(&m_state->mutex);
            m_state->value = std::move(value);
            hooks.swap(m_state->hooks);
        }
        settle(hooks);
    }

    // No answer will come.
    void giveUp() const
    {
        std::vector<std::function<void()>> hooks;
        {
            const QMutexLocker lock(&m_state->mutex);
            m_state->givenUp = true;
            hooks.swap(m_state->hooks);
        }
        settle(hooks);
    }

    bool isAnswered() const
    {
        const QMutexLocker lock(&m_state->mutex);
        return m_state->value.has_value();
    }
    // Answered or given up, its continuations posted: nothing more to wait for.
    bool isSettled() const
    {
        const QMutexLocker lock(&m_state->mutex);
        return m_state->settled;
    }

    // Blocks up to `ms` for the answer; true once it is there.
    bool waitFor(int ms) const
    {
        const QDeadlineTimer deadline(ms);
        QMutexLocker lock(&m_state->mutex);
        while (!m_state->settled && m_state->answered.wait(&m_state->mutex, deadline)) {
        }
        return m_state->settled && m_state->value.has_value();
    }

    // The answer; only after isAnswered().
    T value() const
    {
        const QMutexLocker lock(&m_state->mutex);
        return *m_state->value;
    }

    // Calls `hook` on the answering thread once the reply is settled (at
    // once when it is): for waits that must be woken, not for work.
    void whenSettled(std::function<void()> hook) const
    {
        {
            const QMutexLocker lock(&m_state->mutex);
            if (!m_state->value && !m_state->givenUp) {
                m_state->hooks.push_back(std::move(hook));
                return;
            }
        }
        hook();
    }

    // Calls fn(answer) on `context`'s thread, unless `context` is gone by
    // then. Always later, never inside this call.
    void then(QObject *context, std::function<void(T)> fn) const
    {
        const QPointer<QObject> guard(context);
        const std::shared_ptr<State> state = m_state;
        whenSettled([guard, state, fn = std::move(fn)]() {
            QObject *target = guard.data();
            if (!target || state->givenUp)
                return;
            QMetaObject::invokeMethod(
                target,
                [guard, state, fn]() {
                    if (!guard)
                        return;
                    std::optional<T> value;
                    {
                        const QMutexLocker lock(&state->mutex);
                        value = state->value;
                    }
                    fn(std::move(*value));
                },
                Qt::QueuedConnection);
        });
    }

private:
    struct State
    {
        QMutex mutex;
        QWaitCondition answered;
        std::optional<T> value;
        bool givenUp = false;
        bool settled = false;  // answered or given up, and the hooks run
        std::vector<std::function<void()>> hooks;
    };

    void settle(const std::vector<std::function<void()>> &hooks) const
    {
        for (const auto &hook : hooks)
            hook();
        const QMutexLocker lock(&m_state->mutex);
        m_state->settled = true;
        m_state->answered.wakeAll();
    }
    std::shared_ptr<State> m_state;
};
