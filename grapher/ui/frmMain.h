#pragma once

#include "ChartSurface.h"
#include "Timeline.h"

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QComboBox;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

class Prompts;

namespace grapher {

class ChartControl;
class GrapherStore;
class frmDativo;
class frmLatency;
class frmTime;
class frmWeekHour;

// The grapher's one main window: the choice of host, period, daily window
// and interval, the settings of the next curve, the commands, and the
// chart below. Curves accumulate until "Очистить"; while any is shown the
// daily window and the Y maximum stay fixed, since the curves share the
// chart's axes.
class frmMain final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmMain)

public:
    static constexpr char Caption[] = "GRAPHER";
    static constexpr char PeriodMissing[] = QT_TRANSLATE_NOOP("grapher::frmMain", "Не задан период.");

    // Design sizes, in twips: the client area, the chart's top left corner
    // and the floor below which it keeps its size.
    static constexpr int ClientWidthTwips = 11355;
    static constexpr int ClientHeightTwips = 8715;
    static constexpr int ChartLeftTwips = 135;
    static constexpr int ChartTopTwips = 1845;
    static constexpr int ChartFloorTwips = 100;

    // Everything the window shows is read through `store` (which outlives
    // it). The hosts are asked for at once and listed when they come, so
    // the window can be shown before the database answers.
    frmMain(Prompts &prompts, GrapherStore &store, QWidget *parent = nullptr);
    ~frmMain() override;
    GrapherStore &store() const { return m_store; }
    // Blocks until the host list asked for is read and shown (tests).
    void waitForHosts();
    // The host choice's filter: hosts whose description holds the text.
    QLineEdit *hostFilter() const { return m_txtHostFilter; }

    // Which date box the picker fills: 1 the start date, 2 the end date.
    int d() const { return m_d; }
    QString GetMyTime(const QString &anyDate) const;
    // Sets the legend box to: address [start date start time - end date end time].
    void MakeLegend();

    // The commands, as the buttons and boxes run them.
    void drawCommand();
    void saveCommand();
    void clearCommand();
    void breakdownCommand();
    void setColorCommand();
    // The weekday × hour map of the chosen host and period, in a window of its own.
    void weekMapCommand();
    frmWeekHour *weekMapWindow() const { return m_frmWeek; }
    // The round trips and loss of the hosts, in a window of its own.
    void latencyCommand();
    frmLatency *latencyWindow() const { return m_frmLatency; }
    // Shows the modal picker for the start (1) or end (2) date box.
    void openPicker(int which);

    bool firstDraw() const { return m_firstDraw; }
    const Timeline &timeline() const { return m_timeline; }
    ChartControl *chart() const { return m_ctlGraph; }
    frmTime *breakdownWindow() const { return m_frmTime.get(); }
    frmDativo *picker() const { return m_picker; }

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Sizes of the controls, in twips.
    static constexpr int BandMarginTwips = 135;
    static constexpr int BandTopTwips = 60;
    static constexpr int MinChartHeightTwips = 4000;
    static constexpr int DateBoxWidthTwips = 1440;
    static constexpr int SwatchWidthTwips = 510;
    static constexpr int SwatchHeightTwips = 300;
    static constexpr int ColorButtonWidthTwips = 420;
    static constexpr int WidthBoxWidthTwips = 480;
    static constexpr int MaxYBoxWidthTwips = 960; // seven digits: up to GraphRequest::MaxYMax
    static constexpr int SpinnerWidthTwips = 255;
    static constexpr int SpinnerHeightTwips = 510;
    static constexpr int SettingsGapTwips = 150;

    // The constructor's steps: the top band's three parts, then the
    // signals, the start-up values and the window's first size.
    QGroupBox *buildPeriodGroup();
    QGroupBox *buildGraphGroup();
    QHBoxLayout *buildCommandRow();
    void connectControls();
    void loadStartState();
    void placeAtDesignSize();

    // False when the operator gave up waiting for the database.
    bool BuildGraph();
    void loadDescriptions();
    void filterHosts();
    void startTimeChosen();
    void endTimeChosen();
    void maxYChanged(const QString &text);
    void datePicked(const QDate &date);
    GraphRequest currentRequest() const;
    void setDrawingLocked(bool locked);
    static bool englishDates();
    // The top band across the window, the chart filling the rest.
    void placeChildren();
    int twips(int value) const;

    Prompts &m_prompts;
    GrapherStore &m_store;
    frmWeekHour *m_frmWeek = nullptr;
    frmLatency *m_frmLatency = nullptr;
    QStringList m_hosts;  // every description, as read; the box shows those the filter keeps
    std::function<bool(int)> m_hostsPending;

    QWidget *m_top = nullptr;
    QLineEdit *m_txtD1 = nullptr;
    QLineEdit *m_txtD2 = nullptr;
    QComboBox *m_txtT1 = nullptr;
    QComboBox *m_txtT2 = nullptr;
    QComboBox *m_lstInterval = nullptr;
    QLineEdit *m_txtLegenda = nullptr;
    QLabel *m_cmdColor = nullptr;
    QPushButton *m_cmdSetColor = nullptr;
    QLineEdit *m_txtW = nullptr;
    QScrollBar *m_vs1 = nullptr;
    QLineEdit *m_txtMaxY = nullptr;
    QScrollBar *m_vs3 = nullptr;
    QComboBox *m_cmbIP = nullptr;
    QLineEdit *m_txtHostFilter = nullptr;
    QPushButton *m_cmdGraph = nullptr;
    QPushButton *m_cmdSave = nullptr;
    QPushButton *m_cmdClear = nullptr;
    QPushButton *m_cmdGT = nullptr;
    ChartControl *m_ctlGraph;
    frmDativo *m_picker = nullptr;
    std::unique_ptr<frmTime> m_frmTime;

    Timeline m_timeline;
    int m_d = 0;
    bool m_firstDraw = true;
    bool m_syncingMaxY = false;
    bool m_turningWheel = false;
};

} // namespace grapher
