#include "frmClearLog.h"

#include "AdminRules.h"
#include "AdminStore.h"
#include "DatabaseWait.h"
#include "AdminWidgets.h"
#include "DatePicker.h"
#include "Prompts.h"
#include "Regional.h"
#include "Twips.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace admin {

using namespace AdminWidgets;

static const QString Collapsed = QStringLiteral(">>");
static const QString Expanded = QStringLiteral("<<");

frmClearLog::frmClearLog(Prompts &prompts, QWidget *mainWindow)
    : AdminDialog(prompts, mainWindow, false)
{
    setObjectName(QStringLiteral("frmClearLog"));
    setWindowTitle(tr("Очистить лог", "window title"));
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    // The left part is what the window shows when narrow; the calendar stands
    // beyond its right edge and is seen only when the window is widened.
    auto *panel = new QWidget(this);
    txtClearDate = lineEdit("txtClearDate", panel);
    Label2 = label("Label2", Collapsed, panel, false);
    Label2->setAlignment(Qt::AlignCenter);
    Label2->setFrameShape(QFrame::Panel);
    Label2->setFrameShadow(QFrame::Raised);
    Label2->setCursor(Qt::PointingHandCursor);
    Label2->setFixedSize(Twips::toPixels(330, 330, this).expandedTo(Label2->sizeHint()));
    Label2->installEventFilter(this);
    cmdDel = button("cmdDel", tr("Удалить"), panel);
    cmdQuit = button("cmdQuit", tr("Отмена"), panel);
    setActionButton(cmdDel);

    auto *layout = new QVBoxLayout(panel);
    layout->addWidget(label("Label1", tr("Удалить все записи старее: "), panel));
    auto *dateLine = new QHBoxLayout;
    dateLine->addWidget(txtClearDate);
    dateLine->addWidget(Label2);
    layout->addLayout(dateLine);
    layout->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(cmdDel);
    buttons->addStretch();
    buttons->addWidget(cmdQuit);
    layout->addLayout(buttons);

    ctrDativo1 = new DatePicker(this);
    ctrDativo1->setObjectName(QStringLiteral("ctrDativo1"));

    // Twips as the window was designed, grown where this desktop's fonts
    // and calendar need more room.
    const QSize panelSize = panel->sizeHint();
    m_collapsedWidth = qMax(Twips::toPixelsX(2670, this), panelSize.width());
    const QSize calendar = Twips::toPixels(2115, 2010, this).expandedTo(ctrDativo1->sizeHint() + QSize(4, 4));
    const int calendarLeft = qMax(Twips::toPixelsX(2730, this), m_collapsedWidth + 4);
    m_expandedWidth = qMax(Twips::toPixelsX(4950, this), calendarLeft + calendar.width());
    const int height =
        std::max({Twips::toPixels(2085, 2085, this).height(), panelSize.height(), calendar.height() + 4});
    panel->setGeometry(0, 0, m_collapsedWidth, height);
    ctrDativo1->setGeometry(calendarLeft, 0, calendar.width(), calendar.height());
    setFixedSize(m_collapsedWidth, height);
    // Beyond the narrow window's edge the calendar is out of sight, and out
    // of the Tab chain too while it is.
    ctrDativo1->setVisible(false);

    connect(ctrDativo1, &DatePicker::datePicked, this,
            [this](const QDate &date) { txtClearDate->setText(AdminRules::clearDateText(date)); });
    connect(txtClearDate, &QLineEdit::textChanged, this, &frmClearLog::txtClearDate_Change);
    connect(cmdDel, &QPushButton::clicked, this, &frmClearLog::cmdDel_Click);
    connect(cmdQuit, &QPushButton::clicked, this, &frmClearLog::Form_Unload);
}

bool frmClearLog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Label2 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        Label2_Click();
        return true;
    }
    return AdminDialog::eventFilter(watched, event);
}

void frmClearLog::Label2_Click()
{
    if (Label2->text() == Collapsed) {
        setFixedWidth(m_expandedWidth);
        ctrDativo1->setVisible(true);
        Label2->setText(Expanded);
    } else {
        Label2->setText(Collapsed);
        ctrDativo1->setVisible(false);
        setFixedWidth(m_collapsedWidth);
    }
}

void frmClearLog::txtClearDate_Change()
{
    // Setting the calendar from code raises no datePicked, so the box is not
    // rewritten and no chain of changes starts.
    if (const std::optional<QDate> date = AdminRules::readClearDate(txtClearDate->text()))
        ctrDativo1->setValue(*date);
}

void frmClearLog::cmdDel_Click()
{
    const std::optional<QDate> day = AdminRules::readClearDate(txtClearDate->text());
    if (!day)
        return;
    const QString question = tr("Вы уверенны, что хотите удалить \nвсе записи старее %1?")
                                 .arg(Regional::shortDate(*day));
    if (prompts().ask(this, QMessageBox::Question, windowTitle(), question, QMessageBox::Ok | QMessageBox::Cancel)
        != QMessageBox::Ok)
        return;
    const auto deleted = DatabaseWait::wait(this, store().clearLogBefore(*day));
    if (!deleted)
        return;
    if (!deleted->ok) {
        reportFailure(windowTitle(), tr("Записи не удалены."), deleted->error);
        return;
    }
    prompts().ask(this, QMessageBox::Information, windowTitle(), tr("Записи удалены."));
    Form_Unload();
}

} // namespace admin
