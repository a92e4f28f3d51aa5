#include "frmDativo.h"

#include "DatePicker.h"
#include "Twips.h"

#include <QEvent>
#include <QFontMetrics>

#include <QVBoxLayout>

namespace grapher {

frmDativo::frmDativo(QWidget *parent)
    : QDialog(parent)
    , m_ctlDativo(new DatePicker(this))
{
    setObjectName(QStringLiteral("frmDativo"));
    setWindowTitle(tr("Дата", "window title"));
    setModal(true);
    m_ctlDativo->setObjectName(QStringLiteral("ctlDativo"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_ctlDativo);
    connect(m_ctlDativo, &DatePicker::datePicked, this, [this](const QDate &date) {
        emit datePicked(date);
        accept();
    });
    fitCaption();
}

void frmDativo::changeEvent(QEvent *event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowTitleChange || event->type() == QEvent::FontChange)
        fitCaption();
}

void frmDativo::fitCaption()
{
    // Window managers mostly draw the caption in a bold face of the
    // desktop font.
    QFont bold = font();
    bold.setBold(true);
    const int caption = QFontMetrics(bold).horizontalAdvance(windowTitle());
    const int content = layout() ? layout()->minimumSize().width() : 0;
    setMinimumWidth(qMax(content, caption + Twips::toPixelsX(TitleBarExtrasTwips, this)));
}

} // namespace grapher
