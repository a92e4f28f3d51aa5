#pragma once

#include <QColor>
#include <QString>

class QWidget;

namespace grapher {

// The grapher's modal dialogs: message boxes, the colour choice and the save
// dialogs. The windows call them through this class so that a test can
// answer them in advance; the defaults show the real Qt dialogs.
class GrapherDialogs
{
public:
    GrapherDialogs() = default;
    virtual ~GrapherDialogs() = default;
    GrapherDialogs(const GrapherDialogs &) = delete;
    GrapherDialogs &operator=(const GrapherDialogs &) = delete;

    virtual void information(QWidget *parent, const QString &title, const QString &text);
    virtual void warning(QWidget *parent, const QString &title, const QString &text);
    // An invalid colour when the operator cancels.
    virtual QColor chooseColor(QWidget *parent, const QColor &initial);
    // The chosen file name, empty when the operator cancels. filter is a
    // Qt name filter such as "bmp (*.bmp)"; defaultSuffix is added to a
    // name typed without one.
    virtual QString saveFileName(QWidget *parent, const QString &directory, const QString &filter,
                                 const QString &defaultSuffix);
};

} // namespace grapher
