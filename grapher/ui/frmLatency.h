#pragma once

#include "LatencyLayout.h"
#include "LatencyReader.h"

#include <QWidget>

#include <functional>

class Prompts;
class QComboBox;
class QDateTimeEdit;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace grapher {

class GrapherStore;
class LatencyChart;

// "Задержка и потери": the round trips and loss of one host or several over
// a period, read through the grapher's store. The hosts are listed by
// address value and may be narrowed down by a filter.
class frmLatency final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLatency)

public:
    enum Period { LastHour, LastDay, LastWeek, LastMonth, LastYear, FromTo };

    frmLatency(Prompts &prompts, GrapherStore &store, QWidget *parent = nullptr);
    ~frmLatency() override;

    // The period's bounds as of `now`.
    static std::pair<QDateTime, QDateTime> periodBounds(Period period, const QDateTime &now, const QDateTime &from,
                                                        const QDateTime &to);

    LatencyChart *chart() const { return m_chart; }
    QListWidget *hostList() const { return m_hosts; }
    // Hides the hosts whose address and description lack the text.
    QLineEdit *hostFilter() const { return m_filter; }
    QComboBox *periodBox() const { return m_period; }
    // Blocks until the window's reads are done and shown (tests).
    void waitForReads();

public slots:
    void draw();
    void savePng();
    void saveSvg();

private:
    void readHosts();
    void filterHosts();

    Prompts &m_prompts;
    GrapherStore &m_store;
    std::function<bool(int)> m_pending;  // waits for the latest read
    QLineEdit *m_filter;
    QListWidget *m_hosts;
    QComboBox *m_period;
    QDateTimeEdit *m_from;
    QDateTimeEdit *m_to;
    QPushButton *m_draw;
    QPushButton *m_png;
    QPushButton *m_svg;
    LatencyChart *m_chart;
    QList<LatencyReader::Host> m_hostRows;
};

} // namespace grapher
