#include "PageTexts.h"

#include "Language.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <vector>

namespace web {

namespace {

struct Entry
{
    const char *key;
    const char *source;
};

// The page's script shows these by key; %1 … are filled in by it.
const Entry entries[] = {
    {"title", QT_TRANSLATE_NOOP("web::PageTexts", "Состояние сети")},
    {"filter", QT_TRANSLATE_NOOP("web::PageTexts", "Фильтр: адрес или описание")},
    {"host", QT_TRANSLATE_NOOP("web::PageTexts", "Хост")},
    {"state", QT_TRANSLATE_NOOP("web::PageTexts", "Состояние")},
    {"rtt", QT_TRANSLATE_NOOP("web::PageTexts", "Отклик")},
    {"loss", QT_TRANSLATE_NOOP("web::PageTexts", "Потери за час")},
    {"availability", QT_TRANSLATE_NOOP("web::PageTexts", "Доступность")},
    {"bar", QT_TRANSLATE_NOOP("web::PageTexts", "90 дней")},
    {"chart", QT_TRANSLATE_NOOP("web::PageTexts", "Отклик и потери за сутки")},
    {"w24h", QT_TRANSLATE_NOOP("web::PageTexts", "24 ч")},
    {"w7d", QT_TRANSLATE_NOOP("web::PageTexts", "7 дн")},
    {"w30d", QT_TRANSLATE_NOOP("web::PageTexts", "30 дн")},
    {"w90d", QT_TRANSLATE_NOOP("web::PageTexts", "90 дн")},
    {"w365d", QT_TRANSLATE_NOOP("web::PageTexts", "365 дн")},
    {"up", QT_TRANSLATE_NOOP("web::PageTexts", "доступен")},
    {"down", QT_TRANSLATE_NOOP("web::PageTexts", "недоступен")},
    {"unwatched", QT_TRANSLATE_NOOP("web::PageTexts", "не наблюдается")},
    {"maintenance", QT_TRANSLATE_NOOP("web::PageTexts", "плановые работы")},
    {"muted", QT_TRANSLATE_NOOP("web::PageTexts", "сигналы отключены")},
    {"behind", QT_TRANSLATE_NOOP("web::PageTexts", "за узлом %1")},
    {"vantagesDown", QT_TRANSLATE_NOOP("web::PageTexts", "не видят: %1")},
    {"noData", QT_TRANSLATE_NOOP("web::PageTexts", "нет данных")},
    {"dayUnwatched", QT_TRANSLATE_NOOP("web::PageTexts", "%1: не наблюдалось")},
    {"dayClean", QT_TRANSLATE_NOOP("web::PageTexts", "%1: сбоев нет, наблюдение %2")},
    {"dayDown", QT_TRANSLATE_NOOP("web::PageTexts", "%1: сбои %2 из %3 наблюдения")},
    {"outagesOf", QT_TRANSLATE_NOOP("web::PageTexts", "Сбои %1 за %2")},
    {"begin", QT_TRANSLATE_NOOP("web::PageTexts", "Начало")},
    {"end", QT_TRANSLATE_NOOP("web::PageTexts", "Конец")},
    {"duration", QT_TRANSLATE_NOOP("web::PageTexts", "Длительность")},
    {"ongoing", QT_TRANSLATE_NOOP("web::PageTexts", "продолжается")},
    {"noOutages", QT_TRANSLATE_NOOP("web::PageTexts", "Сбоев не было.")},
    {"close", QT_TRANSLATE_NOOP("web::PageTexts", "Закрыть")},
    {"summary", QT_TRANSLATE_NOOP("web::PageTexts", "Недоступны: %1 из %2")},
    {"notWatching", QT_TRANSLATE_NOOP("web::PageTexts", "Монитор не наблюдает; последний проход: %1")},
    {"neverWatched", QT_TRANSLATE_NOOP("web::PageTexts", "Монитор ещё не наблюдал")},
    {"lastPass", QT_TRANSLATE_NOOP("web::PageTexts", "Последний проход: %1")},
    {"updated", QT_TRANSLATE_NOOP("web::PageTexts", "Обновлено: %1")},
    {"noServer", QT_TRANSLATE_NOOP("web::PageTexts", "Нет связи с сервером Orvant: показаны последние данные")},
    {"noDatabase", QT_TRANSLATE_NOOP("web::PageTexts", "База данных не отвечает: показаны последние прочитанные данные")},
    {"days", QT_TRANSLATE_NOOP("web::PageTexts", "%1 д")},
    {"hours", QT_TRANSLATE_NOOP("web::PageTexts", "%1 ч")},
    {"minutes", QT_TRANSLATE_NOOP("web::PageTexts", "%1 мин")},
    {"seconds", QT_TRANSLATE_NOOP("web::PageTexts", "%1 с")},
    {"ms", QT_TRANSLATE_NOOP("web::PageTexts", "%1 мс")},
    {"chartTip", QT_TRANSLATE_NOOP("web::PageTexts", "%1: отклик %2, потери %3")},
    {"none", QT_TRANSLATE_NOOP("web::PageTexts", "нет")},
};

} // namespace

bool PageTexts::loadEnglish(const QStringList &directories)
{
    for (const QString &directory : directories) {
        if (m_translator.load(QStringLiteral("orvant_en"), directory)) {
            m_english = true;
            return true;
        }
    }
    return false;
}

QString PageTexts::translated(Language language, const char *source) const
{
    if (language == Language::English && m_english) {
        const QString english = m_translator.translate("web::PageTexts", source);
        if (!english.isEmpty())
            return english;
    }
    return QString::fromUtf8(source);
}

QString PageTexts::text(Language language, const char *key) const
{
    for (const Entry &e : entries) {
        if (qstrcmp(e.key, key) == 0)
            return translated(language, e.source);
    }
    return QString::fromLatin1(key);
}

QByteArray PageTexts::json(Language language) const
{
    QJsonObject o;
    for (const Entry &e : entries)
        o.insert(QLatin1String(e.key), translated(language, e.source));
    o.insert(QLatin1String("lang"), language == Language::English ? QLatin1String("en") : QLatin1String("ru"));
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

PageTexts::Language PageTexts::fromAcceptLanguage(const QByteArray &header)
{
    struct Choice
    {
        QString tag;
        double quality;
        int order;
    };
    std::vector<Choice> choices;
    int order = 0;
    for (const QByteArray &part : header.split(',')) {
        const QList<QByteArray> fields = part.split(';');
        const QString tag = QString::fromLatin1(fields.first().trimmed());
        if (tag.isEmpty() || tag == QLatin1String("*"))
            continue;
        double quality = 1.0;
        for (int i = 1; i < fields.size(); ++i) {
            const QByteArray f = fields.at(i).trimmed();
            if (f.startsWith("q=")) {
                bool ok = false;
                quality = f.mid(2).toDouble(&ok);
                if (!ok)
                    quality = 0.0;
            }
        }
        if (quality > 0.0)
            choices.push_back({tag, quality, order++});
    }
    std::stable_sort(choices.begin(), choices.end(),
                     [](const Choice &a, const Choice &b) { return a.quality > b.quality; });
    QStringList tags;
    for (const Choice &c : choices)
        tags << c.tag;
    return ::Language::choose(tags) == ::Language::Choice::English ? Language::English : Language::Russian;
}

} // namespace web
