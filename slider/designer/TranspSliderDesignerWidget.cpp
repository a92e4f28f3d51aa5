#include "TranspSliderDesignerWidget.h"

#include "TranspSlider.h"
#include "VeltrackFactory.h"

#include <QMetaObject>
#include <QPixmap>

TranspSliderDesignerWidget::TranspSliderDesignerWidget(const QString &progId, const QString &iconFile, QObject *parent)
    : QObject(parent)
    , m_progId(progId)
{
    const QMetaObject *meta = VeltrackFactory::findClass(progId);
    m_className = meta ? QString::fromLatin1(meta->className()) : QString();
    m_icon = QIcon(QPixmap(iconFile));
}

QString TranspSliderDesignerWidget::toolTip() const
{
    return tr("Sets the opacity of the window it sits on (%1)").arg(m_progId);
}

QString TranspSliderDesignerWidget::whatsThis() const
{
    return tr("A scroll bar from 100 to 255: below 255 the window it sits on becomes translucent "
              "and stays on top; at 255 it is opaque again.");
}

QString TranspSliderDesignerWidget::domXml() const
{
    // The design defaults: position 255, enabled, at the design size.
    TranspSlider *sample = VeltrackFactory::createControl(m_progId);
    const QSize size = sample ? sample->sizeHint() : QSize();
    delete sample;
    return QStringLiteral("<ui language=\"c++\">\n"
                          " <widget class=\"%1\" name=\"%1%2\">\n"
                          "  <property name=\"geometry\">\n"
                          "   <rect><x>0</x><y>0</y><width>%3</width><height>%4</height></rect>\n"
                          "  </property>\n"
                          "  <property name=\"Value\"><number>255</number></property>\n"
                          " </widget>\n"
                          "</ui>\n")
        .arg(m_className, QStringLiteral("1"))
        .arg(size.width())
        .arg(size.height());
}

QWidget *TranspSliderDesignerWidget::createWidget(QWidget *parent)
{
    TranspSlider *control = VeltrackFactory::createControl(m_progId, parent);
    // The form being edited must not turn translucent or stay on top of
    // Designer while its properties are tried out.
    if (control)
        control->setDesignMode(true);
    return control;
}

void TranspSliderDesignerWidget::initialize(QDesignerFormEditorInterface *core)
{
    Q_UNUSED(core);
    m_initialized = true;
}
