#include "ParentChoice.h"

#include "AddressListModel.h"
#include "AddressText.h"

#include <QComboBox>
#include <QCoreApplication>

#include <algorithm>

namespace admin {

namespace ParentChoice {

namespace {

QString noneText()
{
    return QCoreApplication::translate("admin::ParentChoice", "нет");
}

} // namespace

QComboBox *comboBox(const char *name, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QLatin1String(name));
    // A book of thousands: the list shows a screenful and is searched by typing.
    box->setMaxVisibleItems(20);
    box->addItem(noneText(), QString());
    return box;
}

void fill(QComboBox *box, const QString &except, const QList<AddressListModel::Row> &rows)
{
    const QString current = chosen(box);
    QList<std::pair<QByteArray, QString>> order;
    order.reserve(rows.size());
    for (const AddressListModel::Row &row : std::as_const(rows)) {
        if (row.ip != except)
            order.append({AddressText::sortKey(row.ip), row.ip});
    }
    std::sort(order.begin(), order.end());
    box->clear();
    box->addItem(noneText(), QString());
    for (const auto &[key, ip] : std::as_const(order))
        box->addItem(ip, ip);
    select(box, current);
}

void select(QComboBox *box, const QString &address)
{
    const int at = address.isEmpty() ? 0 : box->findData(address);
    box->setCurrentIndex(at < 0 ? 0 : at);
}

QString chosen(const QComboBox *box)
{
    return box->currentIndex() <= 0 ? QString() : box->currentData().toString();
}

void insertAddress(QComboBox *box, const QString &address)
{
    if (box->findData(address) >= 0)
        return;
    const QByteArray key = AddressText::sortKey(address);
    int at = 1;
    while (at < box->count() && AddressText::sortKey(box->itemData(at).toString()) < key)
        ++at;
    box->insertItem(at, address, address);
}

} // namespace ParentChoice

} // namespace admin
