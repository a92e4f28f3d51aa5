#include "frmTime.h"

#include "BreakdownText.h"
#include "Prompts.h"
#include "Twips.h"

#include <QFontDatabase>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

namespace grapher {

frmTime::frmTime(Prompts &prompts, std::function<QString()> legend, QWidget *parent)
    : QMainWindow(parent)
    , m_prompts(prompts)
    , m_legend(std::move(legend))
    , m_txtTime(new QPlainTextEdit)
{
    setObjectName(QStringLiteral("frmTime"));
    setWindowTitle(tr("Расшифровка графика", "window title"));

    QMenu *mnuDo = menuBar()->addMenu(tr("Действие"));
    mnuDo->setObjectName(QStringLiteral("mnuDo"));
    QAction *save = mnuDo->addAction(tr("Сохранить как..."), this, &frmTime::saveToTxt);
    save->setObjectName(QStringLiteral("mnuSaveToTxt"));
    mnuDo->addSeparator()->setObjectName(QStringLiteral("itm1"));
    QAction *close = mnuDo->addAction(tr("Закрыть окно"), this, &QWidget::close);
    close->setObjectName(QStringLiteral("mnuClose"));

    m_txtTime->setObjectName(QStringLiteral("txtTime"));
    m_txtTime->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_txtTime->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_txtTime->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont font(QStringLiteral("Courier"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(9.75);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(9.75);
    }
    m_txtTime->setFont(font);

    // The box fills the window, 10 twips in from the top left corner.
    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    const int margin = Twips::toPixelsX(10, this);
    layout->setContentsMargins(margin, margin, 0, 0);
    layout->addWidget(m_txtTime);
    setCentralWidget(central);
    resize(Twips::toPixelsX(3210, this), Twips::toPixelsY(2610, this) + menuBar()->sizeHint().height());
}

void frmTime::showBreakdown(const QString &text)
{
    m_txtTime->setPlainText(text);
    if (!isVisible()) {
        // Wide enough for the longest line and for the caption beside the
        // window manager's buttons, never narrower than the design size.
        int longest = 0;
        const QFontMetrics fm(m_txtTime->font());
        for (const QString &line : text.split(QLatin1Char('\n')))
            longest = qMax(longest, fm.horizontalAdvance(line));
        const int wanted = longest + m_txtTime->verticalScrollBar()->sizeHint().width()
                           + 2 * m_txtTime->frameWidth() + 2 * int(m_txtTime->document()->documentMargin()) + Twips::toPixelsX(10, this) + 8;
        QFont titleFont = font(); // window managers tend to draw captions bold
        titleFont.setBold(true);
        const int caption = QFontMetrics(titleFont).horizontalAdvance(windowTitle()) * 5 / 4 + 120;
        resize(qMax(width(), qMax(wanted, caption)), height());
    }
    show();
    raise();
    activateWindow();
}

QString frmTime::text() const
{
    return m_txtTime->toPlainText();
}

void frmTime::saveToTxt()
{
    const QString path =
        m_prompts.saveFileName(this, QString(), QString(), QStringLiteral("txt (*.txt)"), QStringLiteral("txt"));
    if (path.isEmpty())
        return;
    QString error;
    if (!BreakdownText::save(path, m_legend ? m_legend() : QString(), text(), &error))
        m_prompts.ask(this, QMessageBox::Warning, windowTitle(),
                      tr("Не удалось сохранить файл %1: %2").arg(path, error));
}

} // namespace grapher
