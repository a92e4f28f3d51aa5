#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

namespace admin {

class AddressListModel;
class AdminStore;

// The address listing's last three columns: each address's last round trip,
// its median round trip and its loss over the last 24 hours. Read through
// the admin's store after the listing is shown, added when they
// come (and only when anything was measured in that day, so a database
// without measurements lists as it always did). The listing sorts them as
// numbers, an empty cell after every number.
class AddressLatencyColumns final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressLatencyColumns)

public:
    AddressLatencyColumns(AddressListModel *model, AdminStore &store, QObject *parent = nullptr);
    ~AddressLatencyColumns() override;

    // After the listing was filled: adds the columns and reads their values.
    void refresh();
    // Blocks until the read is done and shown (tests).
    void waitForRead();

private:
    QPointer<AddressListModel> m_model;
    AdminStore &m_store;
    std::function<bool(int)> m_pending; // waits for the latest read
    int m_generation = 0;
};

} // namespace admin
