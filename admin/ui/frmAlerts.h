#pragma once

#include "AdminDialog.h"
#include "AlertChannel.h"
#include "AlertStore.h"
#include "StoreReply.h"

#include <QList>

#include <functional>
#include <optional>

class QString;
class QLabel;
class QPushButton;
class QTableWidget;

namespace alerts {
class Dispatcher;
}

namespace admin {

class AdminStore;

// "Оповещения": the alert channels (add, change, remove, send a test) and
// the delivery log, read and written through the admin's store; a test is
// sent from here without waiting (its network and program work is
// asynchronous, mail has a thread of its own).
class frmAlerts final : public AdminDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAlerts)

public:
    frmAlerts(Prompts &prompts, QWidget *mainWindow, AdminStore &store);
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
    void showLoaded(bool ok, const QString &error, const QList<alerts::AlertChannel> &channels,
                    const QList<alerts::DeliveryEntry> &log);
    int selectedRow() const;
    std::optional<alerts::AlertChannel> edit(const alerts::AlertChannel &channel);
    // A change's answer (its failure's text): said, then everything is read again.
    void changed(const StoreReply<QString> &reply, const QString &what);

    AdminStore &m_store;
    alerts::Dispatcher *m_dispatcher;
    QList<alerts::AlertChannel> m_channels;
    EditorSeam m_editorSeam;

    QTableWidget *m_list = nullptr;
    QTableWidget *m_log = nullptr;
    QLabel *m_outcome = nullptr;
    QPushButton *m_test = nullptr;
};

} // namespace admin
