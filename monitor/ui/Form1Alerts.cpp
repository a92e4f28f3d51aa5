// The main window's part in the alerts: which alarms of a pass are given,
// the reasons of the quiet ones on their event lines, mutes from the event
// list, and the tray icon that shows an open outage.
#include "Form1.h"

#include "Clock.h"
#include "Database.h"
#include "DatabaseThread.h"
#include "FormatGrid.h"
#include "PassNotifier.h"
#include "PollingEngine.h"
#include "ProgramIcon.h"
#include "ServerSession.h"
#include "SoundPlayer.h"
#include "TrayIcon.h"

#include <QMenu>
#include <QSqlDatabase>

#include <cstdio>
#include <memory>

namespace monitor {

namespace {

constexpr int AddressColumn = 3;

} // namespace

void Form1::onDatabase(std::function<QString(const QSqlDatabase &)> job, std::function<void(const QString &)> done)
{
    if (m_unloaded || (m_session && !m_session->usable()))
        return;
    const QString main = QLatin1String(QSqlDatabase::defaultConnection);
    if (!QSqlDatabase::database(main, false).isOpen())
        return;
    if (!m_alertDb)
        m_alertDb = std::make_unique<DatabaseThread>(QStringLiteral("orvant_alerts"));
    const DatabaseConfig config = Database::configOf(main);
    const QString name = m_alertDb->connectionName();
    m_alertDb->post(
        this,
        [job = std::move(job), config, name](QSqlDatabase db) -> QString {
            if (!db.isOpen()) {
                Database::Options options;
                // As the pass's own writes: never hold the database long.
                options.busyTimeoutMs = WriteBusyTimeoutMs;
                QString error;
                if (!Database::open(config, options, &error, name, nullptr))
                    return error;
                db = QSqlDatabase::database(name, false);
            }
            return job(db);
        },
        [done = std::move(done)](const QString &error) {
            if (done)
                done(error);
        });
}

void Form1::reloadAlerts()
{
    auto loaded = std::make_shared<AlertGate::Loaded>();
    onDatabase(
        [loaded](const QSqlDatabase &db) {
            *loaded = AlertGate::load(db);
            return loaded->ok ? QString() : loaded->error;
        },
        [this, loaded](const QString &error) {
            // A database without the alerts' tables (one opened read-only,
            // made by an older version) runs on the defaults, which ring as
            // always: stderr says so once, the event list stays the outages'.
            if (!error.isEmpty() && error != m_alertsError)
                std::fprintf(stderr, "orvant: alert settings unavailable, defaults used: %s\n", qUtf8Printable(error));
            m_alertsError = error;
            m_alerts.setLoaded(*loaded);
            if (m_report)
                m_report->setMutes(m_alerts.activeMutes(m_services.clock->now()));
        });
}

void Form1::alertsPassStarted()
{
    m_passLines = 0;
    reloadAlerts();
    m_alerts.passStarted(m_services.clock->now());
}

void Form1::alertsPassFinished()
{
    const AlertGate::Alarms alarms =
        m_alerts.passFinished(m_services.clock->now(), m_services.engine->lastPassStates());
    markQuietLines(alarms.held);
    if (!alarms.marks.isEmpty()) {
        const QList<AlertRecords::Mark> marks = alarms.marks;
        onDatabase(
            [marks](const QSqlDatabase &db) {
                QString error;
                AlertRecords::writeMarks(db, marks, &error);
                return error;
            },
            [this](const QString &error) {
                if (!error.isEmpty())
                    reportOwnDatabaseError(tr("Запись причин тихих сбоев"), error);
            });
    }
    // Held alarms given now sound once for the pass, however many there are.
    m_passBegan += alarms.began;
    m_passEnded += alarms.ended;
    if (m_report)
        m_report->setMutes(m_alerts.activeMutes(m_services.clock->now()));
    if (!alarms.began.isEmpty()) {
        m_services.sound->play(m_sndErr);
        if (m_showOnErr)
            changeStateForPass(WindowState::Shown);
    } else if (!alarms.ended.isEmpty()) {
        m_services.sound->play(m_sndRest);
    }
    if (m_services.notifier && !m_unloaded && (!alarms.startedFlapping.isEmpty() || !alarms.settled.isEmpty()))
        m_services.notifier->flappingChanged(alarms.startedFlapping, alarms.settled);
    refreshTrayIcon();
}

void Form1::markQuietLines(const QList<AlertGate::Held> &held)
{
    // The pass's own lines are the newest, on top (notices may lie among them).
    const int lines = qMin(m_passLines + 50, m_fg->rowCount());
    for (const AlertGate::Held &h : held) {
        for (int row = 0; row < lines; ++row) {
            if (m_fg->text(row, AddressColumn) != FormatGrid::cellText(h.ip)
                || m_fg->textColor(row, AddressColumn) != colorFromRgbValue(h.down ? Red : Green))
                continue;
            const QString tip = tr("Без сигнала: %1").arg(h.reasonText);
            // A cell's own tip (the whole of a long description) stays first.
            for (int col = 1; col <= 4; ++col) {
                const QString own = m_fg->cellToolTip(row, col);
                m_fg->setCellToolTip(row, col, own.isEmpty() ? tip : own + QLatin1Char('\n') + tip);
            }
            break;
        }
    }
}

QIcon Form1::trayIcon() const
{
    return m_alerts.downCount() > 0 ? outageIcon() : windowIcon();
}

QString Form1::trayToolTip() const
{
    const int down = m_alerts.downCount();
    if (down == 0)
        return QStringLiteral("Orvant");
    return QStringLiteral("Orvant\n") + tr("Нет соединения: %n адр.", nullptr, down);
}

void Form1::refreshTrayIcon()
{
    if (!m_services.tray->isIconVisible() || m_alerts.downCount() == m_trayDown)
        return;
    m_trayDown = m_alerts.downCount();
    m_services.tray->showIcon(trayIcon(), trayToolTip());
}

void Form1::muteHost(const QString &ip, const QDateTime &until)
{
    onDatabase(
        [ip, until](const QSqlDatabase &db) {
            QString error;
            AlertRecords::writeMute(db, {ip, until}, &error);
            return error;
        },
        [this](const QString &error) {
            if (!error.isEmpty())
                reportOwnDatabaseError(tr("Отключение сигналов"), error);
        });
    reloadAlerts();
}

void Form1::unmuteHost(const QString &ip)
{
    onDatabase(
        [ip](const QSqlDatabase &db) {
            QString error;
            AlertRecords::liftMute(db, ip, &error);
            return error;
        },
        [this](const QString &error) {
            if (!error.isEmpty())
                reportOwnDatabaseError(tr("Включение сигналов"), error);
        });
    reloadAlerts();
}

void Form1::addMuteActions(QMenu *menu, const QString &ip)
{
    const QDateTime now = m_services.clock->now();
    QMenu *sub = menu->addMenu(ip.isEmpty() ? tr("Отключить сигналы всех адресов")
                                            : tr("Отключить сигналы %1").arg(ip));
    sub->setObjectName(ip.isEmpty() ? QStringLiteral("mnuMuteAll") : QStringLiteral("mnuMute"));
    auto add = [&](const QString &text, const QDateTime &until) {
        connect(sub->addAction(text), &QAction::triggered, this, [this, ip, until] { muteHost(ip, until); });
    };
    add(tr("на 15 минут"), now.addSecs(15 * 60));
    add(tr("на 1 час"), now.addSecs(60 * 60));
    add(tr("на 4 часа"), now.addSecs(4 * 60 * 60));
    add(tr("до завтра 08:00"), AlertRecords::tomorrowMorning(now));
    add(tr("до включения"), QDateTime());
    for (const AlertRecords::Mute &m : m_alerts.activeMutes(now)) {
        if (m.ip != ip)
            continue;
        QAction *lift = menu->addAction(ip.isEmpty() ? tr("Включить сигналы всех адресов (отключены %1)")
                                                           .arg(AlertRecords::untilText(m))
                                                     : tr("Включить сигналы %1 (отключены %2)")
                                                           .arg(ip, AlertRecords::untilText(m)));
        lift->setObjectName(ip.isEmpty() ? QStringLiteral("mnuUnmuteAll") : QStringLiteral("mnuUnmute"));
        connect(lift, &QAction::triggered, this, [this, ip] { unmuteHost(ip); });
    }
}

void Form1::onEventListMenu(const QPoint &pos)
{
    QMenu menu(this);
    const QModelIndex index = m_fg->indexAt(pos);
    const QString ip = index.isValid() ? m_fg->text(index.row(), AddressColumn).trimmed() : QString();
    if (!ip.isEmpty())
        addMuteActions(&menu, ip);
    addMuteActions(&menu, QString());
    menu.exec(m_fg->viewport()->mapToGlobal(pos));
}

} // namespace monitor
