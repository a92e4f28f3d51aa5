#include "frmQuiet.h"

#include "AdminStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <memory>

namespace admin {

namespace {

// The duration choices, in the order of the box: seconds, or a marker.
constexpr int UntilTomorrow = -1;
constexpr int UntilLifted = 0;

QString hostText(const QString &ip)
{
    return ip.isEmpty() ? frmQuiet::tr("все адреса") : ip;
}

} // namespace

frmQuiet::frmQuiet(AdminStore &store, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_host(new QComboBox(this))
    , m_duration(new QComboBox(this))
    , m_mutes(new QListWidget(this))
    , m_windows(new QListWidget(this))
    , m_from(new QTimeEdit(QTime(22, 0), this))
    , m_to(new QTimeEdit(QTime(6, 0), this))
{
    setObjectName(QStringLiteral("frmQuiet"));
    setWindowTitle(tr("Тишина и плановые работы", "window title"));
    m_host->setObjectName(QStringLiteral("cboHost"));
    m_duration->setObjectName(QStringLiteral("cboDuration"));
    m_mutes->setObjectName(QStringLiteral("lstMutes"));
    m_windows->setObjectName(QStringLiteral("lstWindows"));
    m_duration->addItem(tr("на 15 минут"), 15 * 60);
    m_duration->addItem(tr("на 1 час"), 60 * 60);
    m_duration->addItem(tr("на 4 часа"), 4 * 60 * 60);
    m_duration->addItem(tr("до завтра 08:00"), UntilTomorrow);
    m_duration->addItem(tr("до включения"), UntilLifted);

    auto *hostRow = new QHBoxLayout;
    hostRow->addWidget(new QLabel(tr("Адрес:"), this));
    hostRow->addWidget(m_host, 1);

    auto *mutes = new QGroupBox(tr("Сигналы отключены"), this);
    auto *muteLayout = new QGridLayout(mutes);
    auto *mute = new QPushButton(tr("Отключить сигналы"), mutes);
    mute->setObjectName(QStringLiteral("cmdMute"));
    auto *unmute = new QPushButton(tr("Включить выбранные"), mutes);
    unmute->setObjectName(QStringLiteral("cmdUnmute"));
    muteLayout->addWidget(m_mutes, 0, 0, 1, 3);
    muteLayout->addWidget(m_duration, 1, 0);
    muteLayout->addWidget(mute, 1, 1);
    muteLayout->addWidget(unmute, 1, 2);

    auto *windows = new QGroupBox(tr("Плановые работы (каждую неделю)"), this);
    auto *windowLayout = new QGridLayout(windows);
    windowLayout->addWidget(m_windows, 0, 0, 1, 9);
    static const char *const days[] = {QT_TRANSLATE_NOOP("AlertRecords", "пн"), QT_TRANSLATE_NOOP("AlertRecords", "вт"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "ср"), QT_TRANSLATE_NOOP("AlertRecords", "чт"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "пт"), QT_TRANSLATE_NOOP("AlertRecords", "сб"),
                                       QT_TRANSLATE_NOOP("AlertRecords", "вс")};
    for (int d = 0; d < 7; ++d) {
        m_days[d] = new QCheckBox(QCoreApplication::translate("AlertRecords", days[d]), windows);
        m_days[d]->setObjectName(QStringLiteral("chDay%1").arg(d));
        windowLayout->addWidget(m_days[d], 1, d);
    }
    m_from->setObjectName(QStringLiteral("tmFrom"));
    m_to->setObjectName(QStringLiteral("tmTo"));
    m_from->setDisplayFormat(QStringLiteral("HH:mm"));
    m_to->setDisplayFormat(QStringLiteral("HH:mm"));
    auto *add = new QPushButton(tr("Добавить"), windows);
    add->setObjectName(QStringLiteral("cmdAddWindow"));
    auto *remove = new QPushButton(tr("Удалить выбранные"), windows);
    remove->setObjectName(QStringLiteral("cmdRemoveWindow"));
    auto *times = new QHBoxLayout;
    times->addWidget(new QLabel(tr("с"), windows));
    times->addWidget(m_from);
    times->addWidget(new QLabel(tr("до"), windows));
    times->addWidget(m_to);
    times->addStretch();
    times->addWidget(add);
    times->addWidget(remove);
    windowLayout->addLayout(times, 2, 0, 1, 9);

    auto *close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(hostRow);
    layout->addWidget(mutes);
    layout->addWidget(windows);
    layout->addWidget(close);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(mute, &QPushButton::clicked, this, &frmQuiet::muteClicked);
    connect(unmute, &QPushButton::clicked, this, &frmQuiet::unmuteClicked);
    connect(add, &QPushButton::clicked, this, &frmQuiet::addWindowClicked);
    connect(remove, &QPushButton::clicked, this, &frmQuiet::removeWindowClicked);
    m_mutes->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_windows->setSelectionMode(QAbstractItemView::ExtendedSelection);
    refresh();
}

QString frmQuiet::chosenHost() const
{
    return m_host->currentIndex() <= 0 ? QString() : m_host->currentText();
}

void frmQuiet::changed(const StoreReply<QString> &reply)
{
    reply.then(this, [this](const QString &error) {
        if (!error.isEmpty())
            QMessageBox::warning(this, windowTitle(), tr("Не удалось изменить список: %1").arg(error));
        refresh();
    });
}

void frmQuiet::refresh()
{
    m_store.readQuiet().then(this, [this](AdminStore::Quiet read) {
        const QString &error = read.error;
        if (!error.isEmpty()) {
            m_mutes->clear();
            m_mutes->addItem(tr("Не удалось прочитать: %1").arg(error));
            emit refreshed();
            return;
        }
        const QString host = m_host->currentText();
        m_host->clear();
        m_host->addItem(tr("все адреса"));
        read.hosts.removeDuplicates();
        m_host->addItems(read.hosts);
        m_host->setCurrentIndex(qMax(0, m_host->findText(host)));
        // Expired mutes are no longer anyone's silence.
        const QDateTime now = QDateTime::currentDateTime();
        m_muteRows.clear();
        m_mutes->clear();
        for (const AlertRecords::Mute &m : read.mutes) {
            if (!AlertRecords::holds(m, now))
                continue;
            m_muteRows << m;
            m_mutes->addItem(hostText(m.ip) + QStringLiteral(" — ") + AlertRecords::untilText(m));
        }
        m_windowRows = read.windows;
        m_windows->clear();
        for (const AlertRecords::MaintenanceWindow &w : read.windows)
            m_windows->addItem(hostText(w.ip) + QStringLiteral(": ") + AlertRecords::windowText(w));
        emit refreshed();
    });
}

void frmQuiet::muteClicked()
{
    const int choice = m_duration->currentData().toInt();
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime until = choice == UntilLifted ? QDateTime()
        : choice == UntilTomorrow                 ? AlertRecords::tomorrowMorning(now)
                                                  : now.addSecs(choice);
    changed(m_store.mute(AlertRecords::Mute{chosenHost(), until}));
}

void frmQuiet::unmuteClicked()
{
    QStringList ips;
    for (const QModelIndex &index : m_mutes->selectionModel()->selectedRows()) {
        if (index.row() < m_muteRows.size())
            ips << m_muteRows.at(index.row()).ip;
    }
    if (ips.isEmpty())
        return;
    changed(m_store.liftMutes(ips));
}

void frmQuiet::addWindowClicked()
{
    AlertRecords::MaintenanceWindow window;
    window.ip = chosenHost();
    for (int d = 0; d < 7; ++d) {
        if (m_days[d]->isChecked())
            window.weekdays |= 1 << d;
    }
    window.from = m_from->time();
    window.to = m_to->time();
    if (window.weekdays == 0) {
        QMessageBox::information(this, windowTitle(), tr("Отметьте дни недели, в которые начинаются работы."));
        return;
    }
    changed(m_store.addMaintenance(window));
}

void frmQuiet::removeWindowClicked()
{
    QList<qint64> ids;
    for (const QModelIndex &index : m_windows->selectionModel()->selectedRows()) {
        if (index.row() < m_windowRows.size())
            ids << m_windowRows.at(index.row()).id;
    }
    if (ids.isEmpty())
        return;
    changed(m_store.removeMaintenance(ids));
}

} // namespace admin
