#pragma once

#include "PageTexts.h"

#include <QByteArray>
#include <QHash>
#include <QString>

namespace web {

// The status page and its script, style and icon, built into the program as
// Qt resources (nothing is read from disk, nothing from a CDN). The page is
// made once per language at start-up, its words from PageTexts.
class PageAssets
{
public:
    struct Asset
    {
        QByteArray body;
        QByteArray contentType;
    };

    explicit PageAssets(const PageTexts &texts);

    const QByteArray &page(PageTexts::Language language) const;
    // A file of /assets/ by its name, or null.
    const Asset *asset(const QString &name) const;

private:
    QByteArray m_russian;
    QByteArray m_english;
    QHash<QString, Asset> m_assets;
};

} // namespace web
