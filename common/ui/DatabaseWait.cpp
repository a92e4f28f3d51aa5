#include "DatabaseWait.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <QWindow>

namespace {
int waiting = 0;
}

void DatabaseWait::Waker::wake()
{
    const QMutexLocker lock(&mutex);
    if (wait)
        QMetaObject::invokeMethod(wait, "answer", Qt::QueuedConnection);
}

DatabaseWait::DatabaseWait(QWidget *window)
    : m_window(window)
    , m_waker(std::make_shared<Waker>())
{
    m_waker->wait = this;
}

DatabaseWait::~DatabaseWait()
{
    const QMutexLocker lock(&m_waker->mutex);
    m_waker->wait = nullptr;
}

bool DatabaseWait::isWaiting()
{
    return waiting > 0;
}

void DatabaseWait::answer()
{
    if (m_loop)
        m_loop->quit();
}

bool DatabaseWait::exec(const std::function<bool()> &done)
{
    QEventLoop loop;
    m_loop = &loop;
    ++waiting;
    qApp->installEventFilter(this);
    QProgressDialog *progress = nullptr;
    QTimer later;
    later.setSingleShot(true);
    connect(&later, &QTimer::timeout, this, [&] {
        progress = new QProgressDialog(tr("Ожидание ответа базы данных..."), tr("Отмена"), 0, 0, m_window);
        progress->setObjectName(QStringLiteral("databaseWait"));
        progress->setWindowTitle(QStringLiteral("Orvant"));
        // Not modal: the input is held back by the filter below, and a
        // window behind a modal box could not be closed.
        progress->setWindowModality(Qt::NonModal);
        progress->setMinimumDuration(0);
        m_progress = progress;
        connect(progress, &QProgressDialog::canceled, this, [this] {
            m_cancelled = true;
            if (m_loop)
                m_loop->quit();
        });
        progress->show();
    });
    later.start(ProgressAfterMs);
    // The answer, the cancel button and the program's end (exit() ends
    // nested loops as well) each end the loop.
    if (!done())
        loop.exec();
    qApp->removeEventFilter(this);
    --waiting;
    m_loop = nullptr;
    m_progress = nullptr;
    delete progress;
    if (m_closing) {
        // After the action that waited has seen its wait given up.
        QMetaObject::invokeMethod(m_closing.data(), &QWidget::close, Qt::QueuedConnection);
    }
    return done() && !m_cancelled;
}

namespace {

// The widget an event is for: a window's events reach its QWindow before
// its widgets.
QWidget *widgetOf(QObject *watched)
{
    if (auto *widget = qobject_cast<QWidget *>(watched))
        return widget;
    if (auto *window = qobject_cast<QWindow *>(watched)) {
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top->windowHandle() == window)
                return top;
    }
    return nullptr;
}

} // namespace

bool DatabaseWait::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Close: {
        QWidget *target = widgetOf(watched);
        // The waiting box itself takes its cancel button and Escape.
        for (QObject *o = target; o; o = o->parent())
            if (o == m_progress)
                return false;
        if (event->type() != QEvent::Close)
            return true;
        // A window's close request goes on to its widget, taken below.
        if (!qobject_cast<QWidget *>(watched))
            return false;
        event->ignore();
        // The operator's windows, not a tooltip or a menu going away.
        const Qt::WindowType type = target->windowType();
        if ((type == Qt::Window || type == Qt::Dialog || type == Qt::Tool) && !m_closing) {
            m_closing = target;
            m_cancelled = true;
            if (m_loop)
                m_loop->quit();
        }
        return true;
    }
    default:
        return false;
    }
}
