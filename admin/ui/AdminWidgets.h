#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace admin {

// Small builders for the dialogs' controls: each carries the name the
// operator's documentation and the tests know it by.
namespace AdminWidgets {

inline QLabel *label(const char *name, const QString &text, QWidget *parent, bool bold = true)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(QLatin1String(name));
    if (bold) {
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
    }
    return l;
}

inline QLineEdit *lineEdit(const char *name, QWidget *parent, const QString &text = QString())
{
    auto *e = new QLineEdit(text, parent);
    e->setObjectName(QLatin1String(name));
    // Room for an address or a short description whatever the font.
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('0')) * 18);
    return e;
}

inline QPushButton *button(const char *name, const QString &text, QWidget *parent, bool bold = false)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    if (bold) {
        QFont f = b->font();
        f.setBold(true);
        b->setFont(f);
    }
    return b;
}

} // namespace AdminWidgets

} // namespace admin
