#include "ComuniStore.h"

#include "RegisterSql.h"
#include "StoreConnection.h"

namespace registro {

using namespace store;

struct Recordset::Impl {
    std::shared_ptr<Connection> connection;
    QString table;
    bool open = true;

    // Prepared once by setIndex; declared after `connection` so they are
    // finalized before the connection can go.
    Statement seek;
    Statement next;
    Statement previous;
    Statement last;

    bool bof = false;
    bool eof = false;
    bool noMatch = false;
    bool hasCurrent = false;
    // The current record, like DAO's copy buffer; key and rowid are what the
    // next step searches from.
    qint64 rowId = 0;
    sqlite::Value key;
    QString descr;
    QString prov;
    QString cod;
    QString firstDay;
    QString lastDay;
    QString periods;

    void requireUsable() const
    {
        if (!open || !connection || !connection->isOpen())
            failClosed();
    }

    void requireIndex() const
    {
        requireUsable();
        if (!seek)
            fail(NoCurrentIndex, QStringLiteral("Operazione non valida senza un indice corrente."));
    }

    // Runs one cursor statement; on a row it becomes the current record.
    bool fetch(Statement& statement)
    {
        return statement.stepOnce([this](const Statement& row) {
            rowId = row.columnInt64(sql::RowId);
            // Kept with its type: a key stored as a blob, bound back as
            // text, would sort before itself and trap the cursor.
            key = row.columnValue(sql::Key);
            descr = row.columnText(sql::Descr);
            prov = row.columnText(sql::Prov);
            cod = codeOf(row);
            firstDay = row.columnText(sql::First);
            lastDay = row.columnText(sql::Last);
            periods = row.columnText(sql::Periods);
            hasCurrent = true;
        });
    }

    bool fetchFrom(Statement& statement, const QByteArray& fromKey)
    {
        statement.bindText(1, fromKey);
        return fetch(statement);
    }

    bool fetchAfterCurrent(Statement& statement)
    {
        statement.bindValue(1, key);
        statement.bindInt64(2, rowId);
        return fetch(statement);
    }

    void loseCurrent()
    {
        hasCurrent = false;
        descr.clear();
        prov.clear();
        cod.clear();
        firstDay.clear();
        lastDay.clear();
        periods.clear();
        key.clear();
    }
};

Recordset::Recordset(std::unique_ptr<Impl> impl) : d_(std::move(impl)) {}

Recordset::~Recordset() = default;

void Recordset::setIndex(const QString& name)
{
    d_->requireUsable();
    Connection& db = *d_->connection;
    const QString index = indexNamed(db, name, d_->table);

    // Prepare everything before touching the current state, so a failure
    // leaves the recordset as it was.
    const sql::CursorQueries queries = sql::cursorQueries(d_->table, index);
    Statement seek = db.prepare(queries.seek, true);
    Statement next = db.prepare(queries.next, true);
    Statement previous = db.prepare(queries.previous, true);
    Statement last = db.prepare(queries.last, true);

    // Like a freshly opened DAO table: on the first record in index order.
    seek.bindText(1, QByteArrayView(""));
    const bool any = d_->fetch(seek);
    d_->seek = std::move(seek);
    d_->next = std::move(next);
    d_->previous = std::move(previous);
    d_->last = std::move(last);
    d_->noMatch = false;
    d_->bof = !any;
    d_->eof = !any;
    if (!any)
        d_->loseCurrent();
}

void Recordset::seek(const QString& key)
{
    d_->requireIndex();
    if (d_->fetchFrom(d_->seek, foldKey(key).toUtf8())) {
        d_->noMatch = false;
    } else {
        d_->noMatch = true;
        d_->loseCurrent();
    }
    d_->bof = false;
    d_->eof = false;
}

bool Recordset::noMatch() const
{
    d_->requireUsable();
    return d_->noMatch;
}

bool Recordset::bof() const
{
    d_->requireUsable();
    return d_->bof;
}

bool Recordset::eof() const
{
    d_->requireUsable();
    return d_->eof;
}

void Recordset::moveNext()
{
    d_->requireIndex();
    if (d_->eof)
        failNoCurrentRecord();
    if (d_->hasCurrent) {
        if (!d_->fetchAfterCurrent(d_->next)) {
            d_->loseCurrent();
            d_->eof = true;
        }
    } else if (d_->bof) {
        if (d_->fetchFrom(d_->seek, QByteArray("")))
            d_->bof = false;
        else
            d_->eof = true;
    } else {
        failNoCurrentRecord(); // after a seek that found nothing
    }
}

void Recordset::movePrevious()
{
    d_->requireIndex();
    if (d_->bof)
        failNoCurrentRecord();
    if (d_->hasCurrent) {
        if (!d_->fetchAfterCurrent(d_->previous)) {
            d_->loseCurrent();
            d_->bof = true;
        }
    } else if (d_->eof) {
        if (d_->fetch(d_->last))
            d_->eof = false;
        else
            d_->bof = true;
    } else {
        failNoCurrentRecord();
    }
}

QString Recordset::field(const QString& name) const
{
    d_->requireUsable();
    const QString* value = nullptr;
    if (name.compare(sql::kName, Qt::CaseInsensitive) == 0)
        value = &d_->descr;
    else if (name.compare(sql::kProvince, Qt::CaseInsensitive) == 0)
        value = &d_->prov;
    else if (name.compare(sql::kCode, Qt::CaseInsensitive) == 0)
        value = &d_->cod;
    else if (name.compare(sql::kFirst, Qt::CaseInsensitive) == 0)
        value = &d_->firstDay;
    else if (name.compare(sql::kLast, Qt::CaseInsensitive) == 0)
        value = &d_->lastDay;
    else if (name.compare(sql::kPeriods, Qt::CaseInsensitive) == 0)
        value = &d_->periods;
    else
        fail(ItemNotFound, QStringLiteral("Elemento non trovato in questo insieme."));
    if (!d_->hasCurrent)
        failNoCurrentRecord();
    return *value;
}

void Recordset::close()
{
    d_->seek.finalize();
    d_->next.finalize();
    d_->previous.finalize();
    d_->last.finalize();
    d_->loseCurrent();
    d_->open = false;
    d_->connection.reset();
}

bool Recordset::isOpen() const { return d_->open && d_->connection && d_->connection->isOpen(); }

void Recordset::setBusyTimeout(int milliseconds)
{
    if (isOpen())
        d_->connection->setBusyTimeout(milliseconds);
}

std::unique_ptr<Recordset> Recordset::make(std::shared_ptr<Connection> connection, const QString& table)
{
    auto impl = std::make_unique<Impl>();
    impl->connection = std::move(connection);
    impl->table = table;
    return std::unique_ptr<Recordset>(new Recordset(std::move(impl)));
}

} // namespace registro
