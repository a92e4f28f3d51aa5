#include "AvailabilityPdf.h"

#include <QCoreApplication>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

namespace admin {

bool AvailabilityPdf::write(const QString &path, const QString &html, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    {
        QPdfWriter writer(&file);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageOrientation(QPageLayout::Landscape);
        writer.setTitle(QCoreApplication::translate("admin::AvailabilityReport", "Доступность адресов"));
        QTextDocument document;
        // Qt 6.4 has no switch for single font features; without shaping,
        // Latin text is laid out letter by letter, so no ligature glyph
        // reaches the PDF. Every format of the HTML inherits the strategy.
        QFont font = document.defaultFont();
        font.setStyleStrategy(QFont::PreferNoShaping);
        document.setDefaultFont(font);
        document.setHtml(html);
        document.print(&writer);
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace admin
