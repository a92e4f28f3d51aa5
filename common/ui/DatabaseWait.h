#pragma once

#include "DatabaseThread.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWaitCondition>

#include <functional>
#include <memory>
#include <optional>
#include <type_traits>

class QEventLoop;
class QWidget;

// An operator's action that needs the database's answer before it goes on
// (a dialog that checks an address, the listing of the address book): the
// statement runs on the database thread while the window keeps answering.
//
// An answer within AnswerWithinMs (every statement of a healthy database) is
// taken at once, without an event loop, so nothing else runs in between and
// the action behaves as if it had run in place. A slower answer (a busy file,
// a server that stopped answering) is waited for with the event loop running:
// the windows keep drawing and answering the desktop while the operator's
// input is held back, and after ProgressAfterMs a box says so with a cancel
// button. A cancelled wait gives no result; the statement's late answer is
// dropped.
class DatabaseWait final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatabaseWait)

public:
    static constexpr int AnswerWithinMs = 25;
    static constexpr int ProgressAfterMs = 500;

    // `cancel` is set when the operator gives up, for a long job to stop.
    template <class Job>
    static std::optional<std::invoke_result_t<Job, QSqlDatabase>> run(DatabaseThread &thread, QWidget *window, Job job,
                                                                       CancelToken cancel = CancelToken())
    {
        using Result = std::invoke_result_t<Job, QSqlDatabase>;
        static_assert(!std::is_void_v<Result>, "a waited job answers something");
        auto state = std::make_shared<State<Result>>();
        thread.post([state, job = std::move(job)](QSqlDatabase db) mutable {
            Result result = job(db);
            QMutexLocker lock(&state->mutex);
            state->result = std::move(result);
            state->done = true;
            state->answered.wakeAll();
            lock.unlock();
            state->wake();
        });
        {
            QMutexLocker lock(&state->mutex);
            if (!state->done)
                state->answered.wait(&state->mutex, AnswerWithinMs);
            if (state->done)
                return std::move(state->result);
        }
        DatabaseWait wait(window);
        state->setWaker(&wait);
        const bool answered = wait.exec([state] {
            QMutexLocker lock(&state->mutex);
            return state->done;
        });
        state->setWaker(nullptr);
        if (!answered) {
            cancel.cancel();
            return std::nullopt;
        }
        QMutexLocker lock(&state->mutex);
        return std::move(state->result);
    }

    // Whether a slow wait is running (its input hold applies).
    static bool isWaiting();

private:
    struct StateBase
    {
        QMutex mutex;
        QWaitCondition answered;
        bool done = false;
        QMutex wakerMutex;
        QPointer<DatabaseWait> waker;
        void setWaker(DatabaseWait *w)
        {
            QMutexLocker lock(&wakerMutex);
            waker = w;
        }
        void wake()
        {
            QMutexLocker lock(&wakerMutex);
            if (waker)
                QMetaObject::invokeMethod(waker.data(), "answer", Qt::QueuedConnection);
        }
    };
    template <class Result> struct State : StateBase
    {
        std::optional<Result> result;
    };

    explicit DatabaseWait(QWidget *window);
    ~DatabaseWait() override;
    // Runs the event loop until `done` says so (true) or the operator
    // cancels (false).
    bool exec(const std::function<bool()> &done);
    bool eventFilter(QObject *watched, QEvent *event) override;
    Q_INVOKABLE void answer();

    QPointer<QWidget> m_window;
    QEventLoop *m_loop = nullptr;
    QWidget *m_progress = nullptr;
    bool m_cancelled = false;
};
