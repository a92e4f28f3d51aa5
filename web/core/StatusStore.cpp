#include "StatusStore.h"

#include "Database.h"
#include "DatabaseThread.h"
#include "StatusReader.h"

#include <QFile>
#include <QTextStream>

#include <algorithm>

#include <sys/stat.h>

namespace web {

namespace {

// Which file a path names now: a database put back from a copy, or moved
// away, is another file than the one the connection still reads.
struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity &o) const { return device == o.device && inode == o.inode; }
    bool operator!=(const FileIdentity &o) const { return !(*this == o); }
};

std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return FileIdentity{st.st_dev, st.st_ino};
}

} // namespace

// The file the connection was opened on, kept between readings.
struct StatusStore::Opened
{
    std::optional<FileIdentity> file;
    QElapsedTimer since;
};

struct StatusStore::Result
{
    std::shared_ptr<const StatusSnapshot> snapshot;
    QString error;
};

StatusStore::StatusStore(const DatabaseConfig &config, QObject *parent)
    : QObject(parent), m_config(config), m_clock([] { return QDateTime::currentDateTime(); })
{
    m_timer.setInterval(m_intervalMs);
    connect(&m_timer, &QTimer::timeout, this, &StatusStore::tick);
    newThread();
}

StatusStore::~StatusStore() = default;

void StatusStore::setIntervalMs(int ms)
{
    m_intervalMs = ms;
    m_timer.setInterval(ms);
}

void StatusStore::start()
{
    m_timer.start();
    tick();
}

bool StatusStore::databaseAnswers() const
{
    return m_lastOk && m_sinceSuccess.isValid() && m_sinceSuccess.elapsed() < std::max(5000, 3 * m_intervalMs);
}

void StatusStore::newThread()
{
    ++m_generation;
    m_thread = std::make_unique<DatabaseThread>(QStringLiteral("orvant-web-%1").arg(m_generation));
    m_reader = std::make_shared<StatusReader>();
    m_opened = std::make_shared<Opened>();
    m_inFlight = false;
}

void StatusStore::tick()
{
    if (m_inFlight) {
        // The first reading of a large database takes longer than the next.
        const int stuckAfter = m_snapshot ? m_stuckAfterMs : 3 * m_stuckAfterMs;
        if (m_thread->jobElapsedMs() < stuckAfter)
            return;
        // The statement does not come back (a server frozen or gone without a
        // word): its thread is left to end by itself.
        const QString error = tr("база данных не отвечает %1 с").arg(stuckAfter / 1000);
        m_thread->abandon();
        newThread();
        auto result = std::make_shared<Result>();
        result->error = error;
        finished(result);
    }
    // After failures, wait 1, 2, 4 … up to 30 s between attempts.
    if (m_failures > 0 && m_sinceAttempt.isValid()
        && m_sinceAttempt.elapsed() < std::min<qint64>(30'000, qint64(1000) << std::min(m_failures - 1, 5)))
        return;
    m_inFlight = true;
    m_sinceAttempt.start();
    const QString name = m_thread->connectionName();
    const DatabaseConfig config = m_config;
    std::shared_ptr<StatusReader> reader = m_reader;
    const Clock clock = m_clock;
    const int generation = m_generation;
    std::shared_ptr<Opened> opened = m_opened;
    m_thread->post(
        this,
        [name, config, reader, clock, opened](QSqlDatabase db) {
            auto result = std::make_shared<Result>();
            // A file in a directory nobody may write is read as immutable,
            // which SQLite reads once and never again: read anew every 30 s.
            const bool immutable = db.isOpen() && db.databaseName().contains(QLatin1String("immutable=1"));
            if (db.isOpen() && !config.isServer()
                && (identityOf(config.path()) != opened->file || (immutable && opened->since.elapsed() > 30'000))) {
                Database::close(name);
                db = QSqlDatabase();
            }
            if (!db.isOpen()) {
                Database::Options options;
                options.readOnly = true;
                opened->file = config.isServer() ? std::nullopt : identityOf(config.path());
                opened->since.start();
                if (!Database::open(config, options, &result->error, name, nullptr))
                    return result;
                db = QSqlDatabase::database(name, false);
            }
            const QDateTime now = clock();
            if (!reader->refresh(db, now, &result->error)) {
                // Opened anew next time: a server that went away, or a file
                // that was put back from a copy.
                Database::close(name);
                return result;
            }
            result->snapshot = std::make_shared<const StatusSnapshot>(StatusBoard::build(reader->data(), now));
            return result;
        },
        [this, generation](std::shared_ptr<Result> result) {
            if (generation == m_generation)
                finished(result);
        });
}

void StatusStore::finished(const std::shared_ptr<Result> &result)
{
    m_inFlight = false;
    const bool ok = result->snapshot != nullptr;
    if (ok) {
        m_snapshot = result->snapshot;
        m_sinceSuccess.start();
        if (m_failures > 0)
            QTextStream(stderr) << "orvant-web: the database answers again\n";
        m_failures = 0;
        m_lastError.clear();
    } else {
        if (m_failures == 0 || result->error != m_lastError)
            QTextStream(stderr) << "orvant-web: " << result->error << '\n';
        ++m_failures;
        m_lastError = result->error;
    }
    m_lastOk = ok;
    emit refreshed(ok);
}

} // namespace web
