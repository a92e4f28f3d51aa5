#pragma once

#include "DatabaseThread.h"
#include "StoreReply.h"

#include <QMutex>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

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
// dropped. Closing a window meanwhile cancels the wait, and the window closes
// once the action has given up: a silent database never holds a window open.
class DatabaseWait final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DatabaseWait)

public:
    static constexpr int AnswerWithinMs = 25;
    static constexpr int ProgressAfterMs = 500;

    // Waits for a store's answer. `cancel` is set when the operator gives
    // up (or closes the window), for a long job to stop.
    template <class T>
    static std::optional<T> wait(QWidget *window, const StoreReply<T> &reply, CancelToken cancel = CancelToken())
    {
        if (reply.waitFor(AnswerWithinMs))
            return reply.value();
        DatabaseWait wait(window);
        // Woken from the database thread; a wait already over ignores it.
        const std::shared_ptr<Waker> waker = wait.m_waker;
        reply.whenSettled([waker] { waker->wake(); });
        if (!wait.exec([reply] { return reply.isSettled(); }) || !reply.isAnswered()) {
            cancel.cancel();
            return std::nullopt;
        }
        return reply.value();
    }

    // Whether a slow wait is running (its input hold applies).
    static bool isWaiting();

private:
    // The wait as the database thread sees it: gone once the wait is over.
    struct Waker
    {
        QMutex mutex;
        DatabaseWait *wait = nullptr;
        void wake();
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
    QPointer<QWidget> m_closing; // a window closed during the wait: closed after it
    std::shared_ptr<Waker> m_waker;
};
