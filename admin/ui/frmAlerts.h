#pragma once

#include "AdminDialog.h"
#include "AlertChannel.h"
#include "AlertStore.h"
#include "DatabaseConfig.h"

#include <QList>

#include <functional>
#include <optional>

#include <memory>

class DatabaseThread;
class QLabel;
class QPushButton;
class QTableWidget;

namespace alerts {
class Dispatcher;
}

namespace admin {

// "Оповещения": the alert channels (add, change, remove, send a test) and
// the delivery log. The database work runs on a database thread of the
// dialog's own; a test is sent from here without waiting (its network and
// program work is asynchronous, mail has a thread of its own).
class frmAlerts final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAlerts)

public:
    frmAlerts(Prompts &prompts, QWidget *mainWindow, const DatabaseConfig &config);
    ~frmAlerts() override;

    // Reads the channels and the log again.
    void reload();

    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdRemove_Click();
    void cmdTest_Click();

    // For tests: the channel an edit or add is answered with, instead of
    // the editor dialog (a null result cancels).
    using EditorSeam = std::function<std::optional<alerts::AlertChannel>(const alerts::AlertChannel &)>;
    void setEditorSeam(EditorSeam seam) { m_editorSeam = std::move(seam); }

signals:
    // The channels and the log were read (after reload or a change).
    void reloaded();
    // A test finished; the outcome shows in the dialog too.
    void tested(bool delivered, const QString &detail);

private:
    struct Loaded
    {
        bool ok = false;
        QString error;
        QList<alerts::AlertChannel> channels;
        QList<alerts::DeliveryEntry> log;
    };

    void showLoaded(const Loaded &loaded);
    int selectedRow() const;
    std::optional<alerts::AlertChannel> edit(const alerts::AlertChannel &channel);
    // Runs a change on the database thread, then reads everything again.
    void change(std::function<bool(alerts::AlertStore &, QString *)> job, const QString &what);

    DatabaseConfig m_config;
    std::unique_ptr<DatabaseThread> m_database;
    alerts::Dispatcher *m_dispatcher;
    QList<alerts::AlertChannel> m_channels;
    EditorSeam m_editorSeam;

    QTableWidget *m_list = nullptr;
    QTableWidget *m_log = nullptr;
    QLabel *m_outcome = nullptr;
    QPushButton *m_test = nullptr;
};

} // namespace admin
