#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

namespace admin {

// Bringing many addresses into the book at once from CSV text:
//
//   address,description,timeout_ms,parent
//
// The header names the columns (any order; address and description needed,
// timeout_ms and parent optional). Text without a header, as pasted from
// elsewhere, is read in that column order when its first line holds an
// address; a first line that is neither (another program's header, say)
// refuses the whole text in one line instead of every line after it.
//
// A field our CSV writer guarded against spreadsheet formulas (CsvWriter)
// reads back as it was stored. A line names one address; an
// address already in the book is updated, never added twice.
//
// Reading is separate from writing: plan() classifies every line against a
// snapshot of the book (new, changed, unchanged, refused with its reason)
// without touching the database, so a preview or a dry run shows exactly
// what apply() would then write, in one transaction.
class AddressImport
{
    Q_DECLARE_TR_FUNCTIONS(admin::AddressImport)

public:
    static QByteArray headerLine();

    // The book as the import compares against it.
    struct BookEntry
    {
        QVariant descript;
        QVariant pingTimeout;
        QString parent; // empty: none
    };
    using Book = QHash<QString, BookEntry>;
    static bool readBook(QSqlDatabase db, Book *book, QString *error);

    enum class Kind { New, Changed, Unchanged, Refused };
    enum class Reason {
        None,
        Unreadable,     // the line's quoting cannot be read
        BadHeader,      // a column name the format does not know, twice, or a needed one missing
        TooManyFields,
        NotAddress,
        BadTimeout,
        UnknownParent,  // neither in the book nor in the file
        ParentRefused,  // only in the file, on a line that was refused
        ParentRemoved,  // in the book, but the replacement removes it
        ParentCycle,
        Duplicate,
        LegacyAddress,  // an older IPv4 spelling; detail: what it would be read as
        SameHostInBook, // the book has this host spelled otherwise; detail: that spelling
        NoHeader,       // the first line is neither the header nor a line with an address
    };

    struct Line
    {
        int line = 0; // in the file, the first line being 1
        QString address;
        QString description;
        bool descriptionGiven = false;
        QString timeoutText;
        QString parent;
        bool parentGiven = false;
        Kind kind = Kind::Refused;
        Reason reason = Reason::None;
        QString detail;   // what the reason names: a parent, a column, the reader's complaint
        int otherLine = 0; // the earlier line of a duplicate, the refused parent's line
        // What the row holds once written.
        QVariant newDescript;
        QVariant newTimeout;
        QString newParent;
        bool parentChanges = false;
    };

    struct Plan
    {
        QList<Line> lines;  // every line read, blank lines left out
        QStringList removals; // book addresses the file does not name (replace only), in numeric order
        bool replace = false;
        // The last line when the text does not end with a line end, else 0:
        // a stream cut short ends that way, in the middle of a line.
        int unterminatedLine = 0;
        QString unterminatedText;
        int count(Kind kind) const;
        bool anyRefused() const { return count(Kind::Refused) > 0; }
        // Nothing to write at all.
        bool isNoOp() const { return count(Kind::New) + count(Kind::Changed) == 0 && removals.isEmpty(); }
    };

    // Text from a file's bytes: UTF-8, a byte-order mark dropped. False with
    // *error when the bytes are not UTF-8.
    static bool decode(const QByteArray &bytes, QString *text, QString *error);

    // replace: the book is to hold the file's addresses only; the others are
    // listed in removals.
    static Plan plan(const QString &text, const Book &book, bool replace);

    // Why a line was refused, in a sentence for the operator.
    static QString reasonText(const Line &line);
    // "строка N: address: reason", one line of a refusal list.
    static QString refusalText(const Line &line);
    // Why a replacement from this text is refused as cut short, naming the
    // line; empty when its last line is whole.
    static QString cutShortText(const Plan &plan);

    // Writes the new and changed lines and the removals, all or nothing.
    struct Written
    {
        int added = 0;
        int changed = 0;
        int removed = 0;
    };
    static bool apply(QSqlDatabase db, const Plan &plan, Written *written, QString *error);
};

} // namespace admin
