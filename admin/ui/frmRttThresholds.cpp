#include "frmRttThresholds.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace admin {

frmRttThresholds::frmRttThresholds(AdminStore &store, QWidget *parent)
    : QDialog(parent)
    , m_store(store)
    , m_table(new QTableWidget(0, ColumnCount, this))
{
    setObjectName(QStringLiteral("frmRttThresholds"));
    setWindowTitle(tr("Пороги задержки"));
    auto *hint = new QLabel(tr("С какой задержки (мс) доска всех узлов считает узел медленным "
                               "(жёлтый) и очень медленным (красный)."),
                            this);
    hint->setWordWrap(true);
    m_table->setObjectName(QStringLiteral("tblThresholds"));
    m_table->setHorizontalHeaderLabels({tr("Адрес"), tr("Описание"), tr("Медленно с, мс"), tr("Очень медленно с, мс")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Save | QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &frmRttThresholds::saved, this, [this](const QString &error) {
        if (!error.isEmpty())
            QMessageBox::warning(this, windowTitle(), tr("Не удалось записать пороги: %1").arg(error));
        refresh();
    });

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(hint);
    layout->addWidget(m_table, 1);
    layout->addWidget(buttons);
    resize(640, 420);
    refresh();
}

void frmRttThresholds::refresh()
{
    m_store.readRttThresholds().then(this, [this](const AdminStore::Thresholds &read) {
        m_table->setRowCount(0);
        m_read.clear();
        if (!read.error.isEmpty()) {
            QMessageBox::warning(this, windowTitle(), tr("Не удалось прочитать пороги: %1").arg(read.error));
            emit refreshed();
            return;
        }
        m_read = read.hosts;
        m_table->setRowCount(int(m_read.size()));
        for (int r = 0; r < m_read.size(); ++r) {
            const auto &h = m_read.at(r);
            auto fixed = [](const QString &text) {
                auto *item = new QTableWidgetItem(text);
                item->setFlags(item->flags() & ~Qt::ItemIsEditable);
                return item;
            };
            m_table->setItem(r, Address, fixed(h.ip));
            m_table->setItem(r, Description, fixed(h.desc));
            m_table->setItem(r, Warn, new QTableWidgetItem(QString::number(h.thresholds.warnMs)));
            m_table->setItem(r, Bad, new QTableWidgetItem(QString::number(h.thresholds.badMs)));
        }
        m_table->resizeColumnsToContents();
        emit refreshed();
    });
}

std::optional<OutagePaths::Thresholds> frmRttThresholds::check(const QString &warn, const QString &bad)
{
    bool okWarn = false;
    bool okBad = false;
    const int w = warn.trimmed().toInt(&okWarn);
    const int b = bad.trimmed().toInt(&okBad);
    if (!okWarn || !okBad || w < 1 || b < w || b > OutagePaths::MaxThresholdMs)
        return std::nullopt;
    return OutagePaths::Thresholds{w, b};
}

bool frmRttThresholds::save()
{
    QList<AdminStore::Thresholds::Host> changed;
    for (int r = 0; r < m_read.size() && r < m_table->rowCount(); ++r) {
        const std::optional<OutagePaths::Thresholds> typed =
            check(m_table->item(r, Warn)->text(), m_table->item(r, Bad)->text());
        if (!typed) {
            m_table->setCurrentCell(r, Warn);
            QMessageBox::warning(this, windowTitle(),
                                 tr("%1: пороги — целые миллисекунды, 1 ≤ медленно ≤ очень медленно ≤ %2.")
                                     .arg(m_read.at(r).ip)
                                     .arg(OutagePaths::MaxThresholdMs));
            return false;
        }
        const int warn = typed->warnMs;
        const int bad = typed->badMs;
        AdminStore::Thresholds::Host h = m_read.at(r);
        if (h.thresholds.warnMs == warn && h.thresholds.badMs == bad)
            continue;
        h.thresholds = {warn, bad};
        changed.append(h);
    }
    if (changed.isEmpty()) {
        emit saved(QString());
        return true;
    }
    m_store.writeRttThresholds(changed).then(this, [this](const QString &error) { emit saved(error); });
    return true;
}

} // namespace admin
