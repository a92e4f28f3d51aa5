#pragma once

#include <QObject>
#include <QPointer>

class DatabaseThread;
class QHeaderView;
class QStandardItemModel;

namespace admin {

// The address listing's last three columns: each address's last round trip,
// its median round trip and its loss over the last 24 hours. Read on a
// database thread of its own after the listing is shown, added when they
// come (and only when anything was measured in that day, so a database
// without measurements lists as it always did); a click on one of their headings sorts the listing by it, ascending
// first, then the other way (as numbers; an empty cell counts as the largest).
class AddressLatencyColumns final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressLatencyColumns)

public:
    // The columns of the address (by its text) they follow.
    static constexpr int AddressColumn = 2;
    static constexpr int FirstColumn = 4;

    AddressLatencyColumns(QStandardItemModel *model, QHeaderView *header, QObject *parent = nullptr);
    ~AddressLatencyColumns() override;

    // After the listing was filled: adds the columns and reads their values.
    void refresh();
    // Blocks until the read is done and shown (tests).
    void waitForRead();

private:
    QPointer<QStandardItemModel> m_model;
    DatabaseThread *m_thread = nullptr;
    int m_generation = 0;
    bool m_sortDescending = true;  // the first click sorts ascending
};

} // namespace admin
