#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace admin {

// The address dialogs' choice of a parent: "нет" first, then the book's
// addresses in numeric order; the address itself is never offered.
namespace ParentChoice {

QComboBox *comboBox(const char *name, QWidget *parent);
// Reads the book and offers its addresses, keeping the current choice where
// it is still there; `except` is left out. False with *error when the book
// cannot be read (the box then offers "нет" only).
bool fill(QComboBox *box, const QString &except, QString *error);
// Selects `address` ("нет" for an empty one or one not offered).
void select(QComboBox *box, const QString &address);
// The chosen address; empty for "нет".
QString chosen(const QComboBox *box);
// Offers an address just added, in its numeric place.
void insertAddress(QComboBox *box, const QString &address);

} // namespace ParentChoice

} // namespace admin
