#include "DatabaseWait.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>

namespace {
int waiting = 0;
}

DatabaseWait::DatabaseWait(QWidget *window)
    : m_window(window)
{
}

DatabaseWait::~DatabaseWait() = default;

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
        progress->setWindowModality(Qt::WindowModal);
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
    return done() && !m_cancelled;
}

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
        // The waiting box itself takes its cancel button and Escape.
        for (QObject *o = watched; o; o = o->parent())
            if (o == m_progress)
                return false;
        if (event->type() == QEvent::Close)
            event->ignore();
        return true;
    }
    default:
        return false;
    }
}
