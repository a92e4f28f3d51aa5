#include "frmAbout.h"

#include "Twips.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>

namespace monitor {

frmAbout::frmAbout(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
    , m_title(new QLabel(QStringLiteral("ORVANT V2.0.1"), this))
    , m_loading(new QLabel(tr("загрузка данных..."), this))
{
    setObjectName(QStringLiteral("frmAbout"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(Twips::toPixelsX(2895, this), Twips::toPixelsY(870, this));

    QFont big(QStringLiteral("Courier New"));
    big.setStyleHint(QFont::TypeWriter);
    big.setPointSizeF(15.75);
    big.setBold(true);
    m_title->setFont(big);
    m_title->setObjectName(QStringLiteral("Label1"));
    QFont small(big);
    small.setBold(false);
    small.setPointSizeF(8.25);
    m_loading->setFont(small);
    m_loading->setObjectName(QStringLiteral("Label2"));

    // The title centred in the upper part, the loading note under it.
    const int w = width();
    m_title->setAlignment(Qt::AlignCenter);
    m_loading->setAlignment(Qt::AlignCenter);
    m_title->setGeometry(0, Twips::toPixelsY(120, this), w, Twips::toPixelsY(420, this));
    m_loading->setGeometry(0, Twips::toPixelsY(540, this), w, Twips::toPixelsY(240, this));
    setAutoFillBackground(true);
}

void frmAbout::showCentred()
{
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
    show();
    raise();
    QApplication::processEvents();
}

} // namespace monitor
