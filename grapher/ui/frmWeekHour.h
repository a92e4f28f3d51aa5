#pragma once

#include "WeekHourMap.h"

#include <QWidget>

class Prompts;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace grapher {

class GrapherStore;

// The grid itself: cells shaded by their value, counts written in them, a
// legend under it; a tooltip per cell and a click that chooses one.
class WeekHourView final : public QWidget
{
    Q_OBJECT

public:
    explicit WeekHourView(QWidget *parent = nullptr);
    void setMap(const WeekHourMap &map, bool minutes);
    const WeekHourMap &map() const { return m_map; }
    QSize sizeHint() const override { return {720, 320}; }

signals:
    void cellChosen(int row, int hour);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    WeekHourLayout layout() const;
    qint64 value(int row, int hour) const;
    qint64 maximum() const;
    QString valueText(qint64 v) const;

    WeekHourMap m_map;
    bool m_minutes = false;
};

// The weekday × hour map of one host, or of every host, over the period the
// main window names: the grid, its text breakdown, the outages of a chosen
// cell, and the grid saved as PNG.
class frmWeekHour final : public QWidget
{
    Q_OBJECT

public:
    frmWeekHour(Prompts &prompts, GrapherStore &store, QWidget *parent = nullptr);

    // The host's description and the period [from, to) to show; reads anew.
    void show(const QString &description, DateTimeText::Seconds from, DateTimeText::Seconds to);
    WeekHourView *view() const { return m_view; }
    QString breakdownText() const;
    int listedOutages() const;

signals:
    void loaded();

private:
    struct Row
    {
        WeekHourMap::Outage span;
        QString description;
    };
    void load();
    void shown(quint64 request, std::vector<Row> rows, const QString &error);
    void rebuild();
    void cellChosen(int row, int hour);
    void savePng();

    Prompts &m_prompts;
    GrapherStore &m_store;
    QCheckBox *m_allHosts = nullptr;
    QComboBox *m_measure = nullptr;
    QLabel *m_title = nullptr;
    WeekHourView *m_view = nullptr;
    QPlainTextEdit *m_breakdown = nullptr;
    QListWidget *m_cellOutages = nullptr;
    QPushButton *m_save = nullptr;
    QString m_description;
    DateTimeText::Seconds m_from = 0;
    DateTimeText::Seconds m_to = 0;
    std::vector<Row> m_rows;
    quint64 m_request = 0;
};

} // namespace grapher
