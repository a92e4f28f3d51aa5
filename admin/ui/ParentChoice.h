#pragma once

#include "AddressListModel.h"

#include <QList>
#include <QString>

class QComboBox;
class QWidget;

namespace admin {

// The address dialogs' choice of a parent: "нет" first, then the book's
// addresses in numeric order; the address itself is never offered.
namespace ParentChoice {

QComboBox *comboBox(const char *name, QWidget *parent);
// Offers the book's addresses (read on the database thread), keeping the
// current choice where it is still there; `except` is left out.
void fill(QComboBox *box, const QString &except, const QList<AddressListModel::Row> &rows);
// Selects `address` ("нет" for an empty one or one not offered).
void select(QComboBox *box, const QString &address);
// The chosen address; empty for "нет".
QString chosen(const QComboBox *box);
// Offers an address just added, in its numeric place.
void insertAddress(QComboBox *box, const QString &address);

} // namespace ParentChoice

} // namespace admin
