#pragma once

#include "AvailabilityReport.h"

#include <QDialog>

#include <functional>

class Prompts;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTreeWidget;

namespace admin {

class AdminStore;

// How available each host of the book was over a chosen period: one row a
// host, sortable by any column; choosing a host lists its outages of the
// period. The figures are computed by the admin's store; the window only
// shows what comes back, and saves it as PDF or HTML in the order shown. The
// operator may set the hosts' planned work aside: a column then shows the
// time it took, and the report says so.
class frmAvailability final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmAvailability)

public:
    frmAvailability(Prompts &prompts, AdminStore &store, QWidget *parent = nullptr);

    // Computes the chosen period again.
    void refresh();
    bool isComputing() const { return m_computing; }
    const std::vector<HostAvailability> &hosts() const { return m_hosts; }
    // The hosts' indices in the order the table shows them: the report's order.
    std::vector<size_t> shownOrder() const;
    AvailabilityPeriod currentPeriod() const;
    // What the figures shown were computed with.
    AvailabilityReport::Maintenance shownMaintenance() const { return m_shownMaintenance; }

    // The report as the buttons save it; false with *error on failure.
    static bool savePdf(const QString &path, const QString &html, QString *error);
    static bool saveHtml(const QString &path, const QString &html, QString *error);

signals:
    void computed();

private:
    void showHosts(quint64 request, std::optional<std::vector<HostAvailability>> hosts, const QString &error);
    void hostChosen();
    void showOutages(quint64 request, std::optional<std::vector<Availability::Outage>> outages, const QString &error);
    void periodKindChanged();
    void save(bool pdf);

    Prompts &m_prompts;
    AdminStore &m_store;
    QComboBox *m_kind = nullptr;
    QCheckBox *m_withoutMaintenance = nullptr;
    QDateEdit *m_chosen = nullptr;
    QDateEdit *m_from = nullptr;
    QDateEdit *m_to = nullptr;
    QLabel *m_periodLabel = nullptr;
    QTableView *m_table = nullptr;
    QStandardItemModel *m_model = nullptr;
    QTreeWidget *m_outages = nullptr;
    QPushButton *m_pdf = nullptr;
    QPushButton *m_html = nullptr;
    std::vector<HostAvailability> m_hosts;
    AvailabilityPeriod m_shownPeriod;
    AvailabilityReport::Maintenance m_shownMaintenance = AvailabilityReport::Maintenance::Counted;
    quint64 m_request = 0;  // the newest computation; older answers are dropped
    quint64 m_outageRequest = 0;
    bool m_computing = false;
};

} // namespace admin
