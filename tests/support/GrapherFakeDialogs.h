#pragma once

#include "GrapherDialogs.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

namespace grapher {

// Dialog answers given in advance, and a record of every message shown.
class GrapherFakeDialogs final : public GrapherDialogs
{
public:
    struct Message
    {
        QString kind; // "information" or "warning"
        QString title;
        QString text;
    };

    QList<Message> messages;
    QList<QColor> colors;      // answers of chooseColor, in order; invalid = cancelled
    QStringList fileNames;     // answers of saveFileName, in order; empty = cancelled
    QStringList fileFilters;   // the filters the save dialogs were asked with
    QStringList fileSuffixes;

    void information(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({QStringLiteral("information"), title, text});
    }
    void warning(QWidget *, const QString &title, const QString &text) override
    {
        messages.append({QStringLiteral("warning"), title, text});
    }
    QColor chooseColor(QWidget *, const QColor &) override { return colors.isEmpty() ? QColor() : colors.takeFirst(); }
    QString saveFileName(QWidget *, const QString &, const QString &filter, const QString &suffix) override
    {
        fileFilters.append(filter);
        fileSuffixes.append(suffix);
        return fileNames.isEmpty() ? QString() : fileNames.takeFirst();
    }
};

} // namespace grapher
