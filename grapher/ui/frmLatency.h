#pragma once

#include "LatencyLayout.h"
#include "LatencyReader.h"

#include <QWidget>

#include <memory>

class DatabaseThread;
class Prompts;
class QComboBox;
class QDateTimeEdit;
class QListWidget;
class QPushButton;

namespace grapher {

class LatencyChart;

// "Задержка и потери": the round trips and loss of one host or several over
// a period, read on the program's database thread (its connection read-only).
class frmLatency final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmLatency)

public:
    enum Period { LastHour, LastDay, LastWeek, LastMonth, LastYear, FromTo };

    // `database` holds the program's open connection; the window owns it.
    frmLatency(Prompts &prompts, std::unique_ptr<DatabaseThread> database, QWidget *parent = nullptr);
    ~frmLatency() override;

    // The period's bounds as of `now`.
    static std::pair<QDateTime, QDateTime> periodBounds(Period period, const QDateTime &now, const QDateTime &from,
                                                        const QDateTime &to);

    LatencyChart *chart() const { return m_chart; }
    QListWidget *hostList() const { return m_hosts; }
    QComboBox *periodBox() const { return m_period; }
    // Blocks until the window's reads are done and shown (tests).
    void waitForReads();

public slots:
    void draw();
    void savePng();
    void saveSvg();

private:
    void readHosts();

    Prompts &m_prompts;
    std::unique_ptr<DatabaseThread> m_thread;
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
