#include "frmAlerts.h"

#include "AdminStore.h"
#include "AlertText.h"
#include "Dispatcher.h"
#include "Prompts.h"
#include "Regional.h"
#include "frmAlertChannel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace alerts;

namespace admin {

namespace {

// The delivery log's newest entries the dialog shows.
constexpr int LogRows = 200;

QTableWidget *table(const QStringList &headings, QWidget *parent)
{
    auto *t = new QTableWidget(0, int(headings.size()), parent);
    t->setHorizontalHeaderLabels(headings);
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(QAbstractItemView::SingleSelection);
    t->verticalHeader()->hide();
    t->horizontalHeader()->setStretchLastSection(true);
    return t;
}

void setRow(QTableWidget *t, int row, const QStringList &cells)
{
    for (int c = 0; c < cells.size(); ++c)
        t->setItem(row, c, new QTableWidgetItem(cells.at(c)));
}

QString eventsShown(const AlertChannel &c)
{
    QStringList list;
    // In the words the notifications and the delivery log use.
    if (c.wantsDown)
        list << AlertText::eventText(eventName(Event::Down));
    if (c.wantsUp)
        list << AlertText::eventText(eventName(Event::Up));
    if (c.wantsReminders)
        list << frmAlerts::tr("напоминание (%1 мин)").arg(c.reminderMinutes);
    return list.join(QStringLiteral(", "));
}

} // namespace

frmAlerts::frmAlerts(Prompts &prompts, QWidget *mainWindow, AdminStore &store)
    : AdminDialog(prompts, mainWindow, false), m_store(store),
      m_dispatcher(new Dispatcher(this))
{
    setObjectName(QStringLiteral("frmAlerts"));
    setWindowTitle(tr("Оповещения"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Каналы оповещений:"), this));
    m_list = table({tr("Имя"), tr("Вид"), tr("События"), tr("Куда")}, this);
    m_list->setObjectName(QStringLiteral("lstChannels"));
    layout->addWidget(m_list, 2);

    auto *buttons = new QHBoxLayout;
    auto button = [&](const char *name, const QString &text, void (frmAlerts::*slot)()) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        connect(b, &QPushButton::clicked, this, slot);
        buttons->addWidget(b);
        return b;
    };
    button("cmdAdd", tr("Добавить..."), &frmAlerts::cmdAdd_Click);
    button("cmdEdit", tr("Изменить..."), &frmAlerts::cmdEdit_Click);
    button("cmdRemove", tr("Удалить"), &frmAlerts::cmdRemove_Click);
    m_test = button("cmdTest", tr("Проверить"), &frmAlerts::cmdTest_Click);
    buttons->addStretch();
    button("cmdReload", tr("Обновить"), &frmAlerts::reload);
    layout->addLayout(buttons);
    m_outcome = new QLabel(this);
    m_outcome->setObjectName(QStringLiteral("lblOutcome"));
    m_outcome->setWordWrap(true);
    m_outcome->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_outcome);

    layout->addWidget(new QLabel(tr("Журнал доставки:"), this));
    m_log = table({tr("Время"), tr("Канал"), tr("Событие"), tr("Итог"), tr("Подробности")}, this);
    m_log->setObjectName(QStringLiteral("lstLog"));
    layout->addWidget(m_log, 3);
    resize(820, 560);

    reload();
}

frmAlerts::~frmAlerts() = default;

void frmAlerts::reload()
{
    m_store.readChannels(LogRows).then(this, [this](const AdminStore::Channels &read) {
        showLoaded(read.ok, read.error, read.channels, read.log);
    });
}

void frmAlerts::showLoaded(bool ok, const QString &error, const QList<AlertChannel> &channels,
                           const QList<DeliveryEntry> &log)
{
    if (!ok) {
        if (!error.isEmpty())
            m_outcome->setText(tr("Не удалось прочитать каналы оповещений.") + QLatin1Char('\n') + error);
        emit reloaded();
        return;
    }
    const int selected = selectedRow();
    m_channels = channels;
    m_list->setRowCount(int(m_channels.size()));
    for (int i = 0; i < m_channels.size(); ++i) {
        const AlertChannel &c = m_channels.at(i);
        const QString kind = c.kind == ChannelKind::Command   ? tr("программа")
                             : c.kind == ChannelKind::Webhook ? tr("веб-запрос")
                                                              : tr("почта");
        setRow(m_list, i, {c.name, kind, eventsShown(c), c.summary()});
    }
    if (selected >= 0 && selected < m_list->rowCount())
        m_list->selectRow(selected);
    else if (m_list->rowCount() > 0)
        m_list->selectRow(0);
    m_log->setRowCount(int(log.size()));
    for (int i = 0; i < log.size(); ++i) {
        const DeliveryEntry &e = log.at(i);
        setRow(m_log, i,
               {Regional::generalDateTime(e.at), e.channel, AlertText::eventText(e.event),
                AlertText::outcomeText(e.outcome),
                QString(e.detail).replace(QLatin1Char('\n'), QStringLiteral(" | "))});
    }
    m_list->resizeColumnsToContents();
    m_log->resizeColumnsToContents();
    emit reloaded();
}

int frmAlerts::selectedRow() const
{
    const QList<QTableWidgetSelectionRange> ranges = m_list->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

std::optional<AlertChannel> frmAlerts::edit(const AlertChannel &channel)
{
    if (m_editorSeam)
        return m_editorSeam(channel);
    frmAlertChannel editor(channel, this);
    if (editor.exec() != QDialog::Accepted)
        return std::nullopt;
    return editor.channel();
}

void frmAlerts::changed(const StoreReply<QString> &reply, const QString &what)
{
    reply.then(this, [this, what](const QString &error) {
        if (!error.isEmpty())
            prompts().ask(this, QMessageBox::Critical, windowTitle(), what + QLatin1Char('\n') + error);
        reload();
    });
}

void frmAlerts::cmdAdd_Click()
{
    AlertChannel fresh;
    fresh.kind = ChannelKind::Webhook;
    const auto channel = edit(fresh);
    if (!channel)
        return;
    changed(m_store.addChannel(*channel), tr("Не удалось добавить канал."));
}

void frmAlerts::cmdEdit_Click()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_channels.size())
        return;
    const auto channel = edit(m_channels.at(row));
    if (!channel)
        return;
    changed(m_store.updateChannel(*channel), tr("Не удалось сохранить канал."));
}

void frmAlerts::cmdRemove_Click()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_channels.size())
        return;
    const AlertChannel c = m_channels.at(row);
    if (prompts().ask(this, QMessageBox::Question, windowTitle(),
                      tr("Удалить канал «%1» и его неотправленные сообщения?").arg(c.name),
                      QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        != QMessageBox::Yes)
        return;
    changed(m_store.removeChannel(c.id), tr("Не удалось удалить канал."));
}

void frmAlerts::cmdTest_Click()
{
    const int row = selectedRow();
    if (row < 0 || row >= m_channels.size())
        return;
    const AlertChannel c = m_channels.at(row);
    m_test->setEnabled(false);
    m_outcome->setText(tr("Отправляется проверочное сообщение в «%1»...").arg(c.name));
    m_dispatcher->deliver(c, testMessage(QDateTime::currentDateTime()), [this, name = c.name](DeliveryOutcome o) {
        m_test->setEnabled(true);
        m_outcome->setText(o.delivered ? tr("«%1»: доставлено (%2)").arg(name, o.detail)
                                       : tr("«%1»: не доставлено: %2").arg(name, o.detail));
        const DeliveryEntry entry{QDateTime::currentDateTime(), name, eventName(Event::Down),
                                  o.delivered ? QStringLiteral("test delivered") : QStringLiteral("test failed"),
                                  o.detail};
        m_store.logDelivery(entry).then(this, [this](const QString &) { reload(); });
        emit tested(o.delivered, o.detail);
    });
}

} // namespace admin
