#include "VeltrackFactory.h"

#include "ctlTranspSliderH.h"
#include "ctlTranspSliderV.h"

#include <QMetaClassInfo>
#include <QMetaObject>
#include <QUuid>

namespace {

const QList<const QMetaObject *> &controlClasses()
{
    static const QList<const QMetaObject *> classes = {
        &ctlTranspSliderH::staticMetaObject,
        &ctlTranspSliderV::staticMetaObject,
    };
    return classes;
}

} // namespace

QStringList VeltrackFactory::progIds()
{
    QStringList ids;
    for (const QMetaObject *meta : controlClasses())
        ids.append(classInfo(meta, "ProgID"));
    return ids;
}

const QMetaObject *VeltrackFactory::findClass(const QString &progIdOrClassId)
{
    const QString name = progIdOrClassId.trimmed();
    const QUuid asUuid = QUuid::fromString(name);
    for (const QMetaObject *meta : controlClasses()) {
        if (classInfo(meta, "ProgID").compare(name, Qt::CaseInsensitive) == 0)
            return meta;
        if (!asUuid.isNull() && QUuid::fromString(classInfo(meta, "ClassID")) == asUuid)
            return meta;
    }
    return nullptr;
}

TranspSlider *VeltrackFactory::createControl(const QString &progIdOrClassId, QWidget *parent)
{
    const QMetaObject *meta = findClass(progIdOrClassId);
    if (!meta)
        return nullptr;
    QObject *created = meta->newInstance(Q_ARG(QWidget *, parent));
    return qobject_cast<TranspSlider *>(created);
}

QString VeltrackFactory::classInfo(const QMetaObject *control, const char *name)
{
    if (!control)
        return {};
    const int index = control->indexOfClassInfo(name);
    return index < 0 ? QString() : QString::fromLatin1(control->classInfo(index).value());
}
