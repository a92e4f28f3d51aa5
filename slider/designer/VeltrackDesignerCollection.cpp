#include "VeltrackDesignerCollection.h"

#include "TranspSliderDesignerWidget.h"

VeltrackDesignerCollection::VeltrackDesignerCollection(QObject *parent)
    : QObject(parent)
{
    m_widgets = {
        new TranspSliderDesignerWidget(QStringLiteral("Veltrack.ctlTranspSliderH"),
                                       QStringLiteral(":/veltrack/icons/ctlTranspSliderH.bmp"), this),
        new TranspSliderDesignerWidget(QStringLiteral("Veltrack.ctlTranspSliderV"),
                                       QStringLiteral(":/veltrack/icons/ctlTranspSliderV.bmp"), this),
    };
}
