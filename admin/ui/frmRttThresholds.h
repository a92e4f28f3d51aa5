#pragma once

#include "AdminStore.h"

#include <QDialog>

#include <optional>

class QTableWidget;

namespace admin {

// The round trips from which the monitor's board colours a host's round
// trip as slow and as very slow, per address (200 and 500 ms unless set).
// Reached from the address listing's context menu; the admin's store reads
// and writes them.
class frmRttThresholds final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmRttThresholds)

public:
    frmRttThresholds(AdminStore &store, QWidget *parent = nullptr);

    void refresh();
    QTableWidget *table() const { return m_table; }
    // Writes the rows changed since the last reading; true when they were
    // valid (the answer comes later, `saved`).
    bool save();
    // The pair typed as warn and bad, when it can be one.
    static std::optional<OutagePaths::Thresholds> check(const QString &warn, const QString &bad);

signals:
    void refreshed();
    void saved(const QString &error);

private:
    enum Column { Address, Description, Warn, Bad, ColumnCount };

    AdminStore &m_store;
    QTableWidget *m_table;
    QList<AdminStore::Thresholds::Host> m_read;
};

} // namespace admin
