#include "AddressLatencyColumns.h"

#include "AddressListModel.h"
#include "Database.h"
#include "DatabaseThread.h"
#include "LatencyReader.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSqlQuery>

namespace admin {

namespace {

QString milliseconds(const std::optional<qint64> &us)
{
    return us ? QLocale::system().toString(double(*us) / 1000.0, 'f', 1) : QString();
}

} // namespace

AddressLatencyColumns::AddressLatencyColumns(AddressListModel *model, QObject *parent,
                                             const QString &programConnection)
    : QObject(parent)
    , m_model(model)
    , m_programConnection(programConnection)
{
}

AddressLatencyColumns::~AddressLatencyColumns() = default;

void AddressLatencyColumns::waitForRead()
{
    if (m_thread)
        m_thread->call([](QSqlDatabase) {});
    QCoreApplication::sendPostedEvents();
}

void AddressLatencyColumns::refresh()
{
    if (!m_model)
        return;
    if (!m_thread)
        m_thread = new DatabaseThread(QStringLiteral("admin-latency"), this);
    const int generation = ++m_generation;
    const QString name = m_thread->connectionName();
    const QDateTime since = QDateTime::currentDateTime().addDays(-1);
    m_thread->post(
        this,
        [name, since, program = m_programConnection](QSqlDatabase db) -> QHash<QString, LatencyReader::Recent> {
            QHash<QString, LatencyReader::Recent> recent;
            QString error;
            if (!db.isOpen()) {
                Database::Options options;
                options.readOnly = true;
                if (!Database::open(Database::configOf(program), options,
                                    &error, name, nullptr))
                    return recent;
            } else if (!Database::reconnectIfLost(name, &error)) {
                return recent;
            }
            const QSqlDatabase c = QSqlDatabase::database(name, false);
            QSqlQuery tables(c);
            if (runStatement(tables, Statements::CountLatencyTables) && tables.next() && tables.value(0).toInt() > 0)
                LatencyReader::recent(c, since, &recent, &error);
            return recent;
        },
        [this, generation](QHash<QString, LatencyReader::Recent> recent) {
            // A listing shown again meanwhile reads afresh. Without anything
            // measured in the last day the listing stays as it always was.
            if (!m_model || generation != m_generation || recent.isEmpty())
                return;
            QHash<QString, AddressListModel::Measured> measured;
            for (auto it = recent.cbegin(); it != recent.cend(); ++it) {
                const std::optional<double> loss = it->summary.lossShare();
                const std::optional<qint64> last = it->lastRttUs;
                const std::optional<qint64> median = it->summary.medianUs;
                AddressListModel::Measured m;
                m.texts[0] = milliseconds(last);
                m.texts[1] = milliseconds(median);
                m.texts[2] = loss ? QLocale::system().toString(*loss * 100, 'f', 1) : QString();
                m.keys[0] = last ? double(*last) : 1e18;
                m.keys[1] = median ? double(*median) : 1e18;
                m.keys[2] = loss ? *loss : 1e18;
                measured.insert(it.key(), m);
            }
            m_model->setMeasured(measured);
        });
}

} // namespace admin
