#include "LatencyService.h"

#include "Database.h"
#include "DatabaseThread.h"
#include "ExtraSettings.h"
#include "LatencySettings.h"

namespace monitor {

namespace {

// The thread's connection, opened (or reopened after a lost server) on the
// thread itself. False with *error while it cannot be.
bool ensureOpen(QSqlDatabase db, const DatabaseConfig &config, const QString &name, QString *error)
{
    if (db.isOpen())
        return Database::reconnectIfLost(name, error);
    Database::Options options;
    // Never long: samples wait in order while another program holds the
    // file, and the monitor's end must not wait behind a lock.
    options.busyTimeoutMs = 200;
    return Database::open(config, options, error, name, nullptr);
}

} // namespace

LatencyService::LatencyService(const DatabaseConfig &database, const QString &connectionName, QObject *parent)
    : QObject(parent)
    , m_database(database)
    , m_thread(std::make_unique<DatabaseThread>(connectionName))
{
    qRegisterMetaType<std::vector<monitor::LatencySample>>();
}

LatencyService::~LatencyService()
{
    // The recorder goes on the database thread, before its connection does.
    m_thread->call([this](QSqlDatabase) { m_recorder.reset(); });
    m_thread.reset();
}

void LatencyService::waitIdle()
{
    m_thread->call([](QSqlDatabase) {});
}

void LatencyService::report(const QString &what, const QString &error)
{
    if (error.isEmpty()) {
        m_lastError.clear();
        return;
    }
    if (error == m_lastError)
        return;
    m_lastError = error;
    emit failed(what, error);
}

void LatencyService::record(const QDateTime &at, const std::vector<LatencySample> &samples)
{
    if (samples.empty())
        return;
    if (int(m_waiting.size()) >= MaxWaitingPasses) {
        m_waiting.pop_front();
        report(tr("Запись задержек"), tr("база данных недоступна, самые старые замеры отброшены"));
    }
    m_waiting.push_back(std::make_shared<const Pass>(Pass{at, samples}));
    flush();
}

// One waiting pass at a time, oldest first; the next only once it is written.
void LatencyService::flush()
{
    if (m_flushing || m_waiting.empty())
        return;
    m_flushing = true;
    const std::shared_ptr<const Pass> pass = m_waiting.front();
    const DatabaseConfig config = m_database;
    const QString name = m_thread->connectionName();
    m_thread->post(
        this,
        [this, pass, config, name](QSqlDatabase db) -> QString {
            QString error;
            if (!ensureOpen(db, config, name, &error))
                return error.isEmpty() ? QStringLiteral("?") : error;
            if (!m_recorder)  // the handle of the connection as opened now
                m_recorder = std::make_unique<LatencyRecorder>(QSqlDatabase::database(name, false));
            if (!m_recorder->recordPass(pass->at, pass->samples, &error)) {
                // A connection that broke is opened again next time, with a
                // recorder that reads its state afresh.
                if (Database::checkLost(name))
                    m_recorder.reset();
                return error.isEmpty() ? QStringLiteral("?") : error;
            }
            return QString();
        },
        [this](QString error) {
            m_flushing = false;
            report(tr("Запись задержек"), error);
            if (!error.isEmpty())
                return;  // the next pass tries again
            m_waiting.pop_front();
            if (!m_waiting.empty())
                flush();
            else
                maintain(StepsPerPass);
        });
}

void LatencyService::maintain(int stepsLeft)
{
    if (stepsLeft <= 0 || (m_maintaining && stepsLeft == StepsPerPass))
        return;
    m_maintaining = true;
    m_thread->post(
        this,
        [this](QSqlDatabase db) -> std::pair<bool, QString> {
            if (!m_recorder)
                return {false, QString()};
            QString error;
            LatencyRecorder::Step step = m_recorder->consolidateStep(&error);
            if (step == LatencyRecorder::Step::Idle) {
                ExtraSettings settings;
                LatencyRecorder::Retention keep;
                if (ExtraSettings::read(db, &settings, &error)) {
                    using namespace LatencySettings;
                    keep.rawDays = settings.integer(RawDays, DefaultRawDays, MinRawDays, MaxRawDays);
                    keep.hourlyYears = settings.integer(HourlyYears, DefaultHourlyYears, MinHourlyYears, MaxHourlyYears);
                    step = m_recorder->retentionStep(QDateTime::currentDateTime(), keep, &error);
                } else {
                    step = LatencyRecorder::Step::Failed;
                }
            }
            return {step == LatencyRecorder::Step::Worked, step == LatencyRecorder::Step::Failed ? error : QString()};
        },
        [this, stepsLeft](std::pair<bool, QString> outcome) {
            m_maintaining = false;
            if (!outcome.second.isEmpty())
                report(tr("Обобщение задержек"), outcome.second);
            // Passes come first: a step waits while one is to be written.
            if (outcome.first && m_waiting.empty())
                maintain(stepsLeft - 1);
        });
}

} // namespace monitor
