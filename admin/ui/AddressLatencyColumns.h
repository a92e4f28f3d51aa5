#pragma once

#include <QObject>
#include <QPointer>
#include <QSqlDatabase>

class DatabaseThread;

namespace admin {

class AddressListModel;

// The address listing's last three columns: each address's last round trip,
// its median round trip and its loss over the last 24 hours. Read on a
// database thread of its own after the listing is shown, added when they
// come (and only when anything was measured in that day, so a database
// without measurements lists as it always did). The listing sorts them as
// numbers, an empty cell after every number.
class AddressLatencyColumns final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressLatencyColumns)

public:
    // `programConnection` names the connection whose database is read.
    explicit AddressLatencyColumns(AddressListModel *model, QObject *parent = nullptr,
                                   const QString &programConnection = QLatin1String(QSqlDatabase::defaultConnection));
    ~AddressLatencyColumns() override;

    // After the listing was filled: adds the columns and reads their values.
    void refresh();
    // Blocks until the read is done and shown (tests).
    void waitForRead();

private:
    QPointer<AddressListModel> m_model;
    QString m_programConnection;
    DatabaseThread *m_thread = nullptr;
    int m_generation = 0;
};

} // namespace admin
