#pragma once

#include "VeltrackExport.h"

#include <QStringList>

class QMetaObject;
class QWidget;
class TranspSlider;

// Creates the library's controls by name, the way a host that knows a control
// only from a stored description asks for it: by ProgID
// ("Veltrack.ctlTranspSliderH") or by class identifier, with or without
// braces, in any letter case.
class VELTRACK_EXPORT VeltrackFactory final
{
public:
    VeltrackFactory() = delete;

    static QStringList progIds();
    // The class behind a ProgID or class identifier, or null.
    static const QMetaObject *findClass(const QString &progIdOrClassId);
    // A new control as a child of parent, or null for an unknown name.
    static TranspSlider *createControl(const QString &progIdOrClassId, QWidget *parent = nullptr);

    // A class-info entry ("ClassID", "ProgID", "Value Help", …) of a control class.
    static QString classInfo(const QMetaObject *control, const char *name);
};
