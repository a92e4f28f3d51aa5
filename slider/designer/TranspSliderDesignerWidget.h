#pragma once

#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include <QIcon>
#include <QObject>

// One slider class as Qt Designer's widget box shows it. The widget is made
// by the library's factory from its ProgID, so Designer and a host create it
// the same way.
class TranspSliderDesignerWidget final : public QObject, public QDesignerCustomWidgetInterface
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TranspSliderDesignerWidget)
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    TranspSliderDesignerWidget(const QString &progId, const QString &iconFile, QObject *parent = nullptr);

    QString name() const override { return m_className; }
    QString group() const override { return QStringLiteral("Veltrack"); }
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override { return m_className + QStringLiteral(".h"); }
    QIcon icon() const override { return m_icon; }
    bool isContainer() const override { return false; }
    QString domXml() const override;
    QWidget *createWidget(QWidget *parent) override;
    bool isInitialized() const override { return m_initialized; }
    void initialize(QDesignerFormEditorInterface *core) override;

private:
    QString m_progId;
    QString m_className;
    QIcon m_icon;
    bool m_initialized = false;
};
