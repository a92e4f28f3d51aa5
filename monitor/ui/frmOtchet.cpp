#include "frmOtchet.h"

#include "Clock.h"
#include "DateTimeText.h"
#include "DurationText.h"
#include "Regional.h"
#include "Twips.h"
#include "HostState.h"
#include "TransparencySlider.h"

#include "FormatGrid.h"

#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTextBlock>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QHelpEvent>
#include <QToolTip>

namespace monitor {

namespace {

// Eight, as on a terminal, while nothing is listed.
constexpr int TabStopCharacters = 8;
// A description longer than this does not push every other line's columns
// out: its own line runs on past them.
constexpr int WidestFirstColumn = 64;

QFont courier(qreal points, bool bold)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    // Where no face answers to that name with fixed pitch, the desktop's
    // own monospace face keeps the lines in columns.
    if (!QFontInfo(font).fixedPitch())
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Restores the pointer when the refresh ends, whichever way it ends.
class BusyPointer
{
public:
    explicit BusyPointer(QWidget *w) : m_widget(w) { m_widget->setCursor(Qt::WaitCursor); }
    ~BusyPointer() { m_widget->unsetCursor(); }
    BusyPointer(const BusyPointer &) = delete;
    BusyPointer &operator=(const BusyPointer &) = delete;

private:
    QWidget *m_widget;
};

} // namespace

frmOtchet::frmOtchet(const Clock *clock, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_clock(clock)
    , m_ctlTransp(createTransparencySlider(this, QStringLiteral("ctlTransp")))
    , m_label1(new QLabel(this))
    , m_txtOtch(new QPlainTextEdit(this))
    , m_muted(new QLabel(this))
    , m_listTop(Twips::toPixelsY(300, this))
{
    setObjectName(QStringLiteral("frmOtchet"));
    setWindowTitle(tr("Отсутствующие соединения", "window title"));

    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setFont(courier(9, true));
    m_label1->setAutoFillBackground(true);
    m_label1->setBackgroundRole(QPalette::Window);
    m_label1->setForegroundRole(QPalette::WindowText);
    m_label1->setCursor(Qt::PointingHandCursor);
    m_label1->setToolTip(tr("Обновить"));
    m_label1->move(0, Twips::toPixelsY(60, this));
    m_label1->installEventFilter(this);
    m_txtOtch->viewport()->installEventFilter(this);

    m_txtOtch->setObjectName(QStringLiteral("txtOtch"));
    m_txtOtch->setFont(courier(8.25, false));
    // Tab stops a whole number of characters apart: in a fixed-pitch face a
    // line then ends at least one character short of the next stop, so the
    // tab before the time is always a visible gap. (The default stops, 80
    // pixels apart, could leave a pixel or two.)
    m_txtOtch->setTabStopDistance(TabStopCharacters
                                  * QFontMetricsF(m_txtOtch->font()).horizontalAdvance(QLatin1Char(' ')));
    m_txtOtch->setLineWrapMode(QPlainTextEdit::NoWrap);
    // A report to read and copy from, not to edit.
    m_txtOtch->setReadOnly(true);
    m_txtOtch->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtOtch->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_txtOtch->setGeometry(0, m_listTop, Twips::toPixelsX(6630, this), Twips::toPixelsY(2265, this));

    m_muted->setObjectName(QStringLiteral("lblMuted"));
    m_muted->setForegroundRole(QPalette::PlaceholderText);
    m_muted->hide();

    m_txtOtch->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_txtOtch, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QMenu menu(this);
        emit menuRequested(&menu, addressOfLine(m_txtOtch->cursorForPosition(pos).block().text()));
        if (!menu.isEmpty())
            menu.exec(m_txtOtch->viewport()->mapToGlobal(pos));
    });

    resize(Twips::toPixelsX(7380, this), Twips::toPixelsY(2655, this));
    m_ctlTransp->setGeometry(0, 0, width(), m_ctlTransp->height());
    m_ctlTransp->raise();
}

QString frmOtchet::listLine(const QString &desc, const QString &ip, const QString &timeBegin, const QString &openFor)
{
    // A value's own tab or line break would look like a separator or split
    // the line; it is shown as a blank.
    QString line = FormatGrid::cellText(desc) + QLatin1Char('[') + FormatGrid::cellText(ip) + QLatin1Char(']')
        + QLatin1Char('\t') + timeBegin;
    if (!openFor.isEmpty())
        line += QLatin1Char('\t') + openFor;
    return line + QStringLiteral("\r\n");
}

QString frmOtchet::headingText(const QDateTime &now)
{
    return Regional::generalDateTime(now) + tr(": нет соед. со след. адресами:");
}

QString frmOtchet::headingCaption() const
{
    return m_label1->text();
}

void frmOtchet::follow(const HostState *state)
{
    m_outages = state;
}

void frmOtchet::refresh()
{
    BusyPointer busy(this);
    m_txtOtch->clear();
    m_listText.clear();
    const QDateTime now = m_clock ? m_clock->now() : QDateTime::currentDateTime();
    m_label1->setText(headingText(now));
    m_label1->adjustSize();

    const QList<StoredOutage> rows = m_outages ? m_outages->openOutages() : QList<StoredOutage>();
    // The box gets the whole list at once: appending line by line costs a
    // layout each, which for thousands of open outages would hold the event
    // loop for seconds at the end of every pass.
    QStringList shown;
    const QLocale locale = QLocale::system();
    for (const StoredOutage &row : rows) {
        const QDateTime when = DateTimeText::fromVariant(row.begin);
        const QString beginText = when.isValid() ? Regional::generalDateTime(when, locale) : row.begin.toString();
        // A begin that is not a date-time has no duration to show.
        const QString openFor = when.isValid() ? DurationText::format(when.secsTo(now)) : QString();
        const QString line = listLine(row.desc, row.ip, beginText, openFor);
        m_listText += line;
        // The box shows lines, not line-end characters.
        shown << line.chopped(2);
    }
    // The columns line up: one tab stop past the widest "desc[ip]" (and the
    // widest time), so each line's time and its time open start at the same
    // place in the fixed-pitch face.
    qsizetype widest = TabStopCharacters - 1;
    for (const QString &line : std::as_const(shown)) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        for (qsizetype i = 0; i + 1 < fields.size(); ++i)
            widest = qMax(widest, qMin<qsizetype>(fields.at(i).size(), WidestFirstColumn));
    }
    m_txtOtch->setTabStopDistance(qreal(widest + 2)
                                  * QFontMetricsF(m_txtOtch->font()).horizontalAdvance(QLatin1Char(' ')));
    m_txtOtch->setPlainText(shown.join(QLatin1Char('\n')));
    m_txtOtch->verticalScrollBar()->setValue(0);
}

QString frmOtchet::addressOfLine(const QString &line)
{
    const QString head = line.section(QLatin1Char('\t'), 0, 0);
    const qsizetype open = head.lastIndexOf(QLatin1Char('['));
    if (!head.endsWith(QLatin1Char(']')) || open < 0)
        return {};
    return head.mid(open + 1, head.size() - open - 2);
}

void frmOtchet::setMutes(const QList<AlertRecords::Mute> &mutes)
{
    QStringList parts;
    for (const AlertRecords::Mute &m : mutes)
        parts << (m.ip.isEmpty() ? tr("все адреса") : m.ip) + QLatin1Char(' ') + AlertRecords::untilText(m);
    if (parts.isEmpty()) {
        m_muted->hide();
        return;
    }
    m_muted->setText(tr("Сигналы отключены: %1").arg(parts.join(QStringLiteral("; "))));
    m_muted->setToolTip(parts.join(QLatin1Char('\n')));
    m_muted->adjustSize();
    m_muted->move(m_label1->geometry().right() + 12, m_label1->y());
    m_muted->resize(qMax(0, width() - m_muted->x()), m_muted->height());
    m_muted->show();
    m_muted->raise();
}

QString frmOtchet::toolTipAt(const QPoint &pos) const
{
    if (!m_pathOf)
        return {};
    const QString ip = addressOfLine(m_txtOtch->cursorForPosition(pos).block().text());
    return ip.isEmpty() ? QString() : m_pathOf(ip);
}

bool frmOtchet::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtOtch->viewport() && event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, m_txtOtch->viewport());
        return true;
    }
    if (watched == m_label1 && event->type() == QEvent::MouseButtonRelease) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && m_label1->rect().contains(mouse->position().toPoint())) {
            refresh();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void frmOtchet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // The list follows the width always, and the height only while there is
    // room under its top; a window made very low leaves the list as it was.
    int listHeight = m_txtOtch->height();
    if (height() > m_listTop)
        listHeight = height() - m_listTop;
    m_txtOtch->setGeometry(0, m_listTop, width(), listHeight);
    m_ctlTransp->setGeometry(0, 0, width(), m_ctlTransp->height());
}

} // namespace monitor
