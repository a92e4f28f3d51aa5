#include "frmDativo.h"

#include "DatePicker.h"

#include <QVBoxLayout>

namespace grapher {

frmDativo::frmDativo(QWidget *parent)
    : QDialog(parent)
    , m_ctlDativo(new DatePicker(this))
{
    setObjectName(QStringLiteral("frmDativo"));
    setWindowTitle(QStringLiteral("Дата"));
    setModal(true);
    m_ctlDativo->setObjectName(QStringLiteral("ctlDativo"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_ctlDativo);
    connect(m_ctlDativo, &DatePicker::datePicked, this, [this](const QDate &date) {
        emit datePicked(date);
        accept();
    });
}

} // namespace grapher
