#include "PageAssets.h"

#include <QFile>

namespace web {

namespace {

QByteArray resource(const QString &name)
{
    QFile file(QStringLiteral(":/web/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("resource %s is missing from the program", qPrintable(name));
    return file.readAll();
}

QByteArray pageFor(const QByteArray &html, const PageTexts &texts, PageTexts::Language language)
{
    QByteArray out = html;
    // The words go into a JSON block the script reads; "<" written as \u003c
    // keeps a text from ever closing that block.
    QByteArray json = texts.json(language);
    json.replace('<', "\\u003c");
    out.replace("{{lang}}", language == PageTexts::Language::English ? "en" : "ru");
    out.replace("{{title}}", texts.text(language, "title").toHtmlEscaped().toUtf8());
    out.replace("{{filter}}", texts.text(language, "filter").toHtmlEscaped().toUtf8());
    out.replace("{{texts}}", json);
    return out;
}

} // namespace

PageAssets::PageAssets(const PageTexts &texts)
{
    const QByteArray html = resource(QStringLiteral("index.html"));
    m_russian = pageFor(html, texts, PageTexts::Language::Russian);
    m_english = pageFor(html, texts, PageTexts::Language::English);
    m_assets.insert(QStringLiteral("app.js"),
                    {resource(QStringLiteral("app.js")), QByteArrayLiteral("text/javascript; charset=utf-8")});
    m_assets.insert(QStringLiteral("style.css"),
                    {resource(QStringLiteral("style.css")), QByteArrayLiteral("text/css; charset=utf-8")});
    m_assets.insert(QStringLiteral("favicon.svg"),
                    {resource(QStringLiteral("favicon.svg")), QByteArrayLiteral("image/svg+xml")});
}

const QByteArray &PageAssets::page(PageTexts::Language language) const
{
    return language == PageTexts::Language::English ? m_english : m_russian;
}

const PageAssets::Asset *PageAssets::asset(const QString &name) const
{
    const auto it = m_assets.constFind(name);
    return it == m_assets.cend() ? nullptr : &*it;
}

} // namespace web
