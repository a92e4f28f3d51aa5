#pragma once

#include <QString>

namespace admin {

// The availability report as a PDF: the report's HTML printed on A4 in
// landscape by QTextDocument.
//
// Its text is written in plain letters: with the fonts' ligatures
// ("sw-ﬂoor1-01") a search of the PDF for "floor" finds nothing and a copied
// address is not the address. The file is written beside its name and put
// in place only when complete.
class AvailabilityPdf
{
public:
    static bool write(const QString &path, const QString &html, QString *error);
};

} // namespace admin
