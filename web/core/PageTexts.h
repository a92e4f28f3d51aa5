#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTranslator>

namespace web {

// The status page's words in both of the suite's languages. They are
// Russian in the source like every text of the suite and English through
// the suite's translation (orvant_en.qm), which the server loads for itself
// without installing it: each request gets the language its browser asks
// for, whatever this process's own language is.
class PageTexts
{
public:
    enum class Language { Russian, English };

    // Loads the English texts from the first directory that has them.
    // Without them English requests get the Russian texts.
    bool loadEnglish(const QStringList &directories);
    bool hasEnglish() const { return m_english; }

    // key -> text, a JSON object for the page's script.
    QByteArray json(Language language) const;
    QString text(Language language, const char *key) const;

    // The browser's choice (Accept-Language, by quality), read as the
    // suite reads a desktop's languages: the first Russian or English entry
    // wins; none of them keeps the suite's Russian.
    static Language fromAcceptLanguage(const QByteArray &header);

private:
    QString translated(Language language, const char *source) const;

    QTranslator m_translator;
    bool m_english = false;
};

} // namespace web
