#pragma once

#include "AlertRecords.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QLabel;
class QMenu;
class QPlainTextEdit;

namespace monitor {

class Clock;
class HostState;

// The outage report window: every connection that is down at the moment,
// one line per open outage record, "desc[ip]<TAB>begin<TAB>open for"
// (CR LF ended), how long it has been open counted to the heading's time.
// Each refresh replaces heading and list; the polling pass refreshes it at
// the end of every pass, loaded or not yet shown.
class frmOtchet final : public QWidget
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(frmOtchet)

public:
    // clock: the time of the heading (not owned; the system's when null).
    // The owner then fills the window with Label1_Click: loading the window
    // is that first refresh.
    explicit frmOtchet(const Clock *clock = nullptr, QWidget *parent = nullptr);

    // Lists the outages open in this state: the monitor's own picture,
    // writes still waiting included. Not owned; without one the list is empty.
    void follow(const HostState *state);

    // One list line as the window writes it.
    static QString listLine(const QString &desc, const QString &ip, const QString &timeBegin,
                            const QString &openFor = QString());
    static QString headingText(const QDateTime &now);

    // The list as read at the last refresh, CR LF line ends included.
    QString listText() const { return m_listText; }
    QString headingCaption() const;

    QLabel *label1() const { return m_label1; }
    QPlainTextEdit *txtOtch() const { return m_txtOtch; }
    QWidget *ctlTransp() const { return m_ctlTransp; }
    // Who is muted until when, under the heading; hidden while nobody is.
    void setMutes(const QList<AlertRecords::Mute> &mutes);
    QLabel *mutedLabel() const { return m_muted; }
    // The address of a list line ("desc[ip]<TAB>…"), empty for none.
    static QString addressOfLine(const QString &line);
    // The tooltip of a line: the path traced when the outage of ip began
    // (empty: no tooltip).
    void setPathLookup(std::function<QString(const QString &ip)> lookup) { m_pathOf = std::move(lookup); }
    // The tooltip of the list at a point of its viewport.
    QString toolTipAt(const QPoint &pos) const;

public slots:
    // Refresh: lists the open outages afresh under a new heading.
    void refresh();
    // The same under the name the polling pass has always called it by, at
    // the end of every pass.
    void Label1_Click() { refresh(); }

signals:
    // The list's context menu is about to open on the line of ip (empty:
    // no line): the owner adds its choices (mutes) to menu.
    void menuRequested(QMenu *menu, const QString &ip);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    const Clock *m_clock;
    QPointer<const HostState> m_outages;
    QWidget *m_ctlTransp;
    QLabel *m_label1;
    QPlainTextEdit *m_txtOtch;
    QLabel *m_muted;
    QString m_listText;
    int m_listTop;
    std::function<QString(const QString &ip)> m_pathOf;
};

} // namespace monitor
