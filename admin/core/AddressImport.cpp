#include "AddressImport.h"

#include "AddressBook.h"
#include "AddressText.h"
#include "AdminRules.h"
#include "CsvReader.h"
#include "Database.h"
#include "Failure.h"
#include "Statements.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>

#include <algorithm>

namespace admin {

namespace {

enum Column { Address, Description, Timeout, Parent };

const char *const ColumnNames[] = {"address", "description", "timeout_ms", "parent"};

bool failedQuery(const QSqlQuery &query, QString *error)
{
    return failWith(error, statementError(query));
}

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    return std::all_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); });
}

// The timeout a cell gives, or nothing when it is no whole number in range.
std::optional<qint32> readTimeoutCell(const QString &text)
{
    if (!isDigits(text) || text.size() > 9)
        return std::nullopt;
    const int value = text.toInt();
    if (value < AddressLimits::MinPingTimeoutMs || value > AddressLimits::MaxPingTimeoutMs)
        return std::nullopt;
    return value;
}

void refuse(AddressImport::Line &line, AddressImport::Reason reason, const QString &detail = QString(),
            int otherLine = 0)
{
    line.kind = AddressImport::Kind::Refused;
    line.reason = reason;
    line.detail = detail;
    line.otherLine = otherLine;
}

} // namespace

QByteArray AddressImport::headerLine()
{
    return QByteArrayLiteral("address,description,timeout_ms,parent\r\n");
}

int AddressImport::Plan::count(Kind kind) const
{
    return int(std::count_if(lines.cbegin(), lines.cend(), [kind](const Line &l) { return l.kind == kind; }));
}

bool AddressImport::readBook(QSqlDatabase db, Book *book, QString *error)
{
    // A database opened only to read (a dry run) is not upgraded, so a file
    // of an older version may have no table of parents yet: none is set.
    bool parents = false;
    {
        QSqlQuery objects(db);
        if (!runStatement(objects, Statements::SelectSchemaObjects))
            return failedQuery(objects, error);
        while (!parents && objects.next())
            parents = objects.value(0).toString() == QLatin1String("addr_parents");
    }
    QSqlQuery query(db);
    if (!runStatement(query, parents ? Statements::SelectAddressesWithParents : Statements::SelectAddressesForPass))
        return failedQuery(query, error);
    book->clear();
    while (query.next()) {
        const QVariant parent = parents ? query.value(3) : QVariant();
        book->insert(query.value(0).toString(),
                     {query.value(1), query.value(2), parent.isNull() ? QString() : parent.toString()});
    }
    if (!endedCleanly(query))
        return failedQuery(query, error);
    return true;
}

bool AddressImport::decode(const QByteArray &bytes, QString *text, QString *error)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder drops a leading byte-order mark itself.
    *text = decoder.decode(bytes);
    if (decoder.hasError())
        return failWith(error, tr("файл не в кодировке UTF-8"));
    if (text->startsWith(QChar(0xfeff)))
        text->remove(0, 1);
    return true;
}

AddressImport::Plan AddressImport::plan(const QString &text, const Book &book, bool replace)
{
    Plan plan;
    plan.replace = replace;

    // --- reading: each line on its own -------------------------------------
    // Pasted text may carry the byte-order mark a file's decoding drops.
    CsvReader reader(text.startsWith(QChar(0xfeff)) ? text.mid(1) : text);
    CsvReader::Record record;
    QList<Column> columns = {Address, Description, Timeout, Parent};
    bool first = true;
    QHash<QByteArray, int> firstLineOf; // host -> its first line in the file
    // Hosts of the book by value, for a line naming one spelled otherwise.
    QHash<QByteArray, QString> bookHosts;
    for (auto it = book.cbegin(); it != book.cend(); ++it) {
        const QByteArray key = AddressText::hostKey(it.key());
        if (!key.isEmpty())
            bookHosts.insert(key, it.key());
    }
    const bool cutShort = !text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r');
    while (reader.next(&record)) {
        if (cutShort) {
            plan.unterminatedLine = record.line;
            plan.unterminatedText = record.fields.join(u',');
        }
        if (record.blank())
            continue;
        if (first) {
            first = false;
            // No address is spelled "address": a first line naming it is the header.
            const bool namesAddress = std::any_of(record.fields.cbegin(), record.fields.cend(), [](const QString &f) {
                return f.trimmed().compare(QLatin1String("address"), Qt::CaseInsensitive) == 0;
            });
            if (record.error.isEmpty() && namesAddress) {
                columns.clear();
                Line header;
                header.line = record.line;
                for (const QString &name : std::as_const(record.fields)) {
                    const QString key = name.trimmed().toLower();
                    int known = -1;
                    for (int c = 0; c < 4; ++c) {
                        if (key == QLatin1String(ColumnNames[c]))
                            known = c;
                    }
                    if (known < 0 || columns.contains(Column(known))) {
                        refuse(header, Reason::BadHeader, name.trimmed());
                        break;
                    }
                    columns << Column(known);
                }
                if (header.reason == Reason::None && !columns.contains(Description))
                    refuse(header, Reason::BadHeader, QLatin1String(ColumnNames[Description]));
                if (header.reason != Reason::None) {
                    // Without its columns no line of the file can be read.
                    plan.lines << header;
                    return plan;
                }
                continue;
            }
            // Without a header the first line must be one of the book's
            // lines; anything else is most likely another program's header,
            // and every line after it would be read in the wrong columns.
            const QString cell = record.fields.value(0).trimmed();
            if (record.error.isEmpty() && !AddressText::isAddress(cell)
                && AddressText::legacyReading(cell).isEmpty()) {
                Line header;
                header.line = record.line;
                refuse(header, Reason::NoHeader, record.fields.join(u','));
                plan.lines << header;
                return plan;
            }
        }
        Line line;
        line.line = record.line;
        line.kind = Kind::New; // until classified
        const QStringList &fields = record.fields;
        for (int i = 0; i < fields.size() && i < columns.size(); ++i) {
            switch (columns.at(i)) {
            case Address:
                line.address = fields.at(i).trimmed();
                break;
            case Description:
                line.description = fields.at(i);
                line.descriptionGiven = true;
                break;
            case Timeout:
                line.timeoutText = fields.at(i).trimmed();
                break;
            case Parent:
                line.parent = fields.at(i).trimmed();
                line.parentGiven = true;
                break;
            }
        }
        // Spreadsheets pad lines with empty cells; a value beyond the
        // columns is another matter.
        bool extra = false;
        for (qsizetype i = columns.size(); i < fields.size(); ++i)
            extra = extra || !fields.at(i).trimmed().isEmpty();
        if (!record.error.isEmpty()) {
            refuse(line, Reason::Unreadable, record.error);
        } else if (extra) {
            refuse(line, Reason::TooManyFields, QString::number(columns.size()));
        } else if (const QString legacy = AddressText::legacyReading(line.address); !legacy.isEmpty()) {
            refuse(line, Reason::LegacyAddress, legacy);
        } else if (!AddressText::isAddress(line.address)) {
            refuse(line, Reason::NotAddress);
        } else if (const QByteArray host = AddressText::hostKey(line.address); firstLineOf.contains(host)) {
            refuse(line, Reason::Duplicate, QString(), firstLineOf.value(host));
        } else if (const QString spelled = bookHosts.value(host);
                   !replace && !spelled.isEmpty() && spelled != line.address) {
            // Under a replacement the other spelling goes, unless the file
            // names it too, which is a repeat of its own.
            firstLineOf.insert(host, line.line);
            refuse(line, Reason::SameHostInBook, spelled);
        } else {
            firstLineOf.insert(host, line.line);
            const auto inBook = book.constFind(line.address);
            const bool keptAsStored = inBook != book.cend() && !inBook->pingTimeout.isNull()
                                      && inBook->pingTimeout.toString() == line.timeoutText;
            if (!line.timeoutText.isEmpty() && !keptAsStored && !readTimeoutCell(line.timeoutText))
                refuse(line, Reason::BadTimeout, line.timeoutText);
        }
        plan.lines << line;
    }

    // --- the book as it would be: parents and removals ---------------------
    QSet<QString> named; // every address a line names, refused or not
    for (const Line &line : std::as_const(plan.lines)) {
        if (line.reason != Reason::Duplicate && !line.address.isEmpty())
            named.insert(line.address);
    }
    QSet<QString> removed;
    if (replace) {
        for (auto it = book.cbegin(); it != book.cend(); ++it) {
            if (!named.contains(it.key())) {
                removed.insert(it.key());
                plan.removals << it.key();
            }
        }
        std::sort(plan.removals.begin(), plan.removals.end(), [](const QString &a, const QString &b) {
            return AddressText::sortKey(a) < AddressText::sortKey(b);
        });
    }
    // Each accepted line's parent once written: the file's, else the book's
    // (dropped when the replacement removes it).
    QList<QString> parentOf(plan.lines.size());
    for (qsizetype i = 0; i < plan.lines.size(); ++i) {
        const Line &line = plan.lines.at(i);
        if (line.kind == Kind::Refused)
            continue;
        if (line.parentGiven) {
            parentOf[i] = line.parent;
        } else {
            const QString kept = book.value(line.address).parent;
            parentOf[i] = removed.contains(kept) ? QString() : kept;
        }
    }

    // A refusal can take a parent from its children, and a child refused for
    // a cycle keeps its book parent, which may close another: repeat until
    // nothing changes (each round refuses at least one line more).
    for (bool again = true; again;) {
        again = false;
        QHash<QString, qsizetype> accepted;
        QHash<QString, int> refusedLine;
        for (qsizetype i = 0; i < plan.lines.size(); ++i) {
            const Line &line = plan.lines.at(i);
            if (line.kind != Kind::Refused)
                accepted.insert(line.address, i);
            else if (line.reason != Reason::Duplicate && !line.address.isEmpty() && !refusedLine.contains(line.address))
                refusedLine.insert(line.address, line.line);
        }
        for (qsizetype i = 0; i < plan.lines.size(); ++i) {
            Line &line = plan.lines[i];
            const QString &parent = parentOf.at(i);
            if (line.kind == Kind::Refused || parent.isEmpty())
                continue;
            if (accepted.contains(parent) || (book.contains(parent) && !removed.contains(parent)))
                continue;
            if (removed.contains(parent))
                refuse(line, Reason::ParentRemoved, parent);
            else if (refusedLine.contains(parent))
                refuse(line, Reason::ParentRefused, parent, refusedLine.value(parent));
            else
                refuse(line, Reason::UnknownParent, parent);
            accepted.remove(line.address);
            again = true;
        }
        if (again)
            continue;

        // The parent of every address the book would hold.
        QHash<QString, QString> graph;
        for (auto it = book.cbegin(); it != book.cend(); ++it) {
            if (!removed.contains(it.key()) && !it->parent.isEmpty() && !accepted.contains(it.key()))
                graph.insert(it.key(), removed.contains(it->parent) ? QString() : it->parent);
        }
        for (auto it = accepted.cbegin(); it != accepted.cend(); ++it)
            graph.insert(it.key(), parentOf.at(it.value()));
        // Walks up from each address; a walk that meets its own path has
        // found a cycle. Every address is walked through once.
        enum State : char { OnPath = 1, Done = 2 };
        QHash<QString, char> state;
        QSet<QString> inCycle;
        for (auto start = graph.cbegin(); start != graph.cend(); ++start) {
            if (state.contains(start.key()))
                continue;
            QStringList path;
            QString node = start.key();
            while (!node.isEmpty() && !state.contains(node)) {
                state.insert(node, OnPath);
                path << node;
                node = graph.value(node);
            }
            if (!node.isEmpty() && state.value(node) == OnPath) {
                for (qsizetype k = path.indexOf(node); k < path.size(); ++k)
                    inCycle.insert(path.at(k));
            }
            for (const QString &p : std::as_const(path))
                state[p] = Done;
        }
        for (const QString &address : std::as_const(inCycle)) {
            const auto it = accepted.constFind(address);
            if (it == accepted.cend())
                continue;
            refuse(plan.lines[it.value()], Reason::ParentCycle, parentOf.at(it.value()));
            again = true;
        }
    }

    // --- what each accepted line changes ----------------------------------
    for (qsizetype i = 0; i < plan.lines.size(); ++i) {
        Line &line = plan.lines[i];
        if (line.kind == Kind::Refused)
            continue;
        const std::optional<qint32> timeout = readTimeoutCell(line.timeoutText);
        line.newParent = parentOf.at(i);
        const auto inBook = book.constFind(line.address);
        if (inBook == book.cend()) {
            line.kind = Kind::New;
            line.newDescript = line.description;
            line.newTimeout = timeout ? *timeout : AdminRules::DefaultTimeoutMs;
            line.parentChanges = !line.newParent.isEmpty();
            continue;
        }
        // An empty description reads the same as none at all, so that a
        // book exported and read back changes nothing.
        const bool descriptionChanges = line.descriptionGiven && line.description != inBook->descript.toString();
        line.newDescript = descriptionChanges ? QVariant(line.description) : inBook->descript;
        const bool timeoutChanges = timeout && !(inBook->pingTimeout.toString() == line.timeoutText);
        line.newTimeout = timeoutChanges ? QVariant(*timeout) : inBook->pingTimeout;
        line.parentChanges = line.newParent != inBook->parent;
        line.kind = descriptionChanges || timeoutChanges || line.parentChanges ? Kind::Changed : Kind::Unchanged;
    }
    return plan;
}

QString AddressImport::reasonText(const Line &line)
{
    switch (line.reason) {
    case Reason::None:
        return QString();
    case Reason::Unreadable:
        return tr("строка не читается: %1").arg(line.detail);
    case Reason::BadHeader:
        return tr("неизвестный, повторённый или недостающий столбец «%1» (нужны address,description; "
                  "можно также timeout_ms,parent)")
            .arg(line.detail);
    case Reason::TooManyFields:
        return tr("больше значений, чем столбцов (%1)").arg(line.detail);
    case Reason::NotAddress:
        return tr("не IP-адрес");
    case Reason::BadTimeout:
        return tr("время ожидания «%1» не целое число от %2 до %3 мс")
            .arg(line.detail)
            .arg(AddressLimits::MinPingTimeoutMs)
            .arg(AddressLimits::MaxPingTimeoutMs);
    case Reason::UnknownParent:
        return tr("родительского адреса %1 нет ни в базе, ни в файле").arg(line.detail);
    case Reason::ParentRefused:
        return tr("родительский адрес %1 отклонён в строке %2").arg(line.detail).arg(line.otherLine);
    case Reason::ParentRemoved:
        return tr("родительский адрес %1 удаляется при замене").arg(line.detail);
    case Reason::ParentCycle:
        return tr("родительский адрес %1 замыкает цикл").arg(line.detail);
    case Reason::Duplicate:
        return tr("адрес повторяет строку %1").arg(line.otherLine);
    case Reason::LegacyAddress:
        return tr("устаревшая запись IPv4-адреса, она читалась бы как %1; нужны четыре десятичных числа от 0 до 255 "
                  "через точку, без ведущих нулей")
            .arg(line.detail);
    case Reason::SameHostInBook:
        return tr("этот адрес уже есть в базе в записи %1").arg(line.detail);
    case Reason::NoHeader:
        return tr("первая строка «%1» — не заголовок и не строка с адресом; нужен заголовок %2")
            .arg(line.detail.left(200), QString::fromLatin1(headerLine().trimmed()));
    }
    return QString();
}

QString AddressImport::cutShortText(const Plan &plan)
{
    if (plan.unterminatedLine == 0)
        return QString();
    return tr("строка %1 («%2») не кончается концом строки: ввод, похоже, оборван, и замена удалила бы адреса, "
              "которых в нём не оказалось; ничего не записано")
        .arg(plan.unterminatedLine)
        .arg(plan.unterminatedText.left(200));
}

QString AddressImport::refusalText(const Line &line)
{
    if (line.address.isEmpty() || line.reason == Reason::BadHeader || line.reason == Reason::NoHeader)
        return tr("строка %1: %2").arg(line.line).arg(reasonText(line));
    return tr("строка %1: %2: %3").arg(line.line).arg(line.address, reasonText(line));
}

bool AddressImport::apply(QSqlDatabase db, const Plan &plan, Written *written, QString *error)
{
    *written = Written();
    const Statements::Dialect dialect = Database::dialectOf(db);
    QSqlQuery begin(db);
    if (!runStatement(begin, Statements::BeginImmediate))
        return failedQuery(begin, error);
    QSqlQuery insert(db), update(db), setParent(db), clearParent(db), remove(db), orphan(db), closeOutages(db);
    // Each statement is prepared once and run for every line.
    const auto prepare = [dialect](QSqlQuery &query, const Statements::Statement &statement) {
        query.setForwardOnly(true);
        return query.prepare(QString::fromUtf8(statement.text(dialect)));
    };
    const auto run = [](QSqlQuery &query, const QVariantList &values) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        return query.exec();
    };
    QSqlQuery *failedAt = nullptr;
    const auto step = [&](QSqlQuery &query, const QVariantList &values) {
        if (run(query, values))
            return true;
        failedAt = &query;
        return false;
    };
    bool ok = true;
    for (auto [query, statement] : {std::pair<QSqlQuery *, const Statements::Statement *>{&insert, &Statements::InsertAddress},
                                   {&update, &Statements::UpdateAddress},
                                   {&setParent, &Statements::SetAddressParent},
                                   {&clearParent, &Statements::ClearAddressParent},
                                   {&remove, &Statements::DeleteAddress},
                                   {&orphan, &Statements::ClearChildrenOf},
                                   {&closeOutages, &Statements::CloseOutagesOfRemovedAddress}}) {
        if (ok && !prepare(*query, *statement)) {
            ok = false;
            failedAt = query;
        }
    }
    for (const Line &line : plan.lines) {
        if (!ok)
            break;
        if (line.kind == Kind::New) {
            ok = step(insert, {line.address, line.newDescript, line.newTimeout});
            written->added += ok ? 1 : 0;
        } else if (line.kind == Kind::Changed) {
            ok = step(update, {line.newDescript, line.newTimeout, line.address});
            written->changed += ok ? 1 : 0;
        }
    }
    // Parents after every address, since a parent may come later in the file.
    for (const Line &line : plan.lines) {
        if (!ok)
            break;
        if (line.kind == Kind::Refused || !line.parentChanges)
            continue;
        ok = line.newParent.isEmpty() ? step(clearParent, {line.address})
                                      : step(setParent, {line.address, line.newParent});
    }
    // One moment for every address the replacement removes: their open
    // outages end together, as they leave the book together.
    const QString removedAt = AddressBook::removalMoment();
    for (const QString &address : plan.removals) {
        if (!ok)
            break;
        ok = step(closeOutages, {removedAt, address}) && step(remove, {address}) && step(clearParent, {address})
             && step(orphan, {address});
        written->removed += ok ? 1 : 0;
    }
    QSqlQuery commit(db);
    if (ok && !runStatement(commit, Statements::Commit)) {
        ok = false;
        failedAt = &commit;
    }
    if (ok)
        return true;
    const QString text = failedAt ? statementError(*failedAt) : QString();
    QSqlQuery undo(db);
    runStatement(undo, Statements::Rollback);
    *written = Written();
    return failWith(error, text);
}

} // namespace admin
