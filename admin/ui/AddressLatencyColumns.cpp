#include "AddressLatencyColumns.h"

#include "AddressListModel.h"
#include "AdminStore.h"
#include "LatencyReader.h"

#include <QCoreApplication>
#include <QLocale>

namespace admin {

namespace {

QString milliseconds(const std::optional<qint64> &us)
{
    return us ? QLocale::system().toString(double(*us) / 1000.0, 'f', 1) : QString();
}

} // namespace

AddressLatencyColumns::AddressLatencyColumns(AddressListModel *model, AdminStore &store, QObject *parent)
    : QObject(parent)
    , m_model(model)
    , m_store(store)
{
}

AddressLatencyColumns::~AddressLatencyColumns() = default;

void AddressLatencyColumns::waitForRead()
{
    if (m_pending)
        m_pending(10000);
    QCoreApplication::sendPostedEvents();
}

void AddressLatencyColumns::refresh()
{
    if (!m_model)
        return;
    const int generation = ++m_generation;
    const auto read = m_store.recentRoundTrips(QDateTime::currentDateTime().addDays(-1));
    m_pending = [read](int ms) { return read.waitFor(ms); };
    read.then(this, [this, generation](QHash<QString, LatencyReader::Recent> recent) {
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
