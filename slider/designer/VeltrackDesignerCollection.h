#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <QObject>

// The Qt Designer plugin of libveltrack: both transparency sliders in a
// "Veltrack" group of the widget box.
class VeltrackDesignerCollection final : public QObject, public QDesignerCustomWidgetCollectionInterface
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(VeltrackDesignerCollection)
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit VeltrackDesignerCollection(QObject *parent = nullptr);

    QList<QDesignerCustomWidgetInterface *> customWidgets() const override { return m_widgets; }

private:
    QList<QDesignerCustomWidgetInterface *> m_widgets;
};
