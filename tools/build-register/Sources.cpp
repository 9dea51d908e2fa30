#include "Sources.h"

#include "Csv.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <tuple>

namespace buildregister {

SourceError::SourceError(const QString& file, qsizetype line, const QString& message)
    : std::runtime_error(QStringLiteral("%1:%2: %3").arg(file).arg(line).arg(message).toStdString()), file(file),
      line(line), message(message)
{}

namespace {

bool isUpperAscii(QChar c) { return c >= u'A' && c <= u'Z'; }
bool isDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// One letter and three digits, the shape of every cadastral code; foreign
// states all start with Z.
bool isCadastralCode(const QString& code, QChar letter = {})
{
    return code.size() == 4 && isUpperAscii(code[0]) && (letter.isNull() || code[0] == letter) && isDigit(code[1])
           && isDigit(code[2]) && isDigit(code[3]);
}

bool isProvince(const QString& text) { return text.size() == 2 && isUpperAscii(text[0]) && isUpperAscii(text[1]); }

// yyyy-mm-dd: such dates order correctly as plain text.
bool isIsoDate(const QString& text)
{
    if (text.size() != 10 || text[4] != u'-' || text[7] != u'-')
        return false;
    for (int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (!isDigit(text[i]))
            return false;
    return true;
}

// Names are kept exactly as published; refuse only what cannot be a name.
QString nameFault(const QString& name)
{
    if (name.isEmpty())
        return QStringLiteral("empty name");
    for (QChar c : name)
        if (!c.isPrint())
            return QStringLiteral("name holds a control or unprintable character");
    return {};
}

class Table {
public:
    Table(const QString& file, QByteArrayView bytes) : file_(file), csv_(readCsv(bytes))
    {
        if (!csv_.ok())
            throw SourceError(file_, csv_.errorLine, csv_.error);
    }

    qsizetype column(const QString& name) const
    {
        const qsizetype index = csv_.header.indexOf(name);
        if (index < 0)
            throw SourceError(file_, 1, QStringLiteral("missing column %1").arg(name));
        return index;
    }

    const std::vector<CsvRow>& rows() const { return csv_.rows; }

    [[noreturn]] void fail(const CsvRow& row, const QString& message) const
    {
        throw SourceError(file_, row.line, message);
    }

private:
    QString file_;
    CsvTable csv_;
};

QByteArray readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw SourceError(path, 0, file.errorString());
    return file.readAll();
}

} // namespace

std::vector<registro::Record> readMunicipalities(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE_IT"));
    const qsizetype provinceColumn = table.column(QStringLiteral("SIGLAPROVINCIA"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODCATASTALE"));
    const qsizetype startColumn = table.column(QStringLiteral("DATAISTITUZIONE"));
    const qsizetype endColumn = table.column(QStringLiteral("DATACESSAZIONE"));

    struct Latest {
        registro::Record record;
        QString end;
        QString start;
    };
    std::vector<Latest> pairs; // in order of first appearance
    QHash<QString, std::size_t> pairIndex;

    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& province = row.fields[provinceColumn];
        const QString& code = row.fields[codeColumn];
        const QString& start = row.fields[startColumn];
        const QString& end = row.fields[endColumn];
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        if (code == u"ND")
            continue;
        if (!isCadastralCode(code))
            table.fail(row, QStringLiteral("cadastral code '%1' is not a letter and three digits").arg(code));
        if (!isProvince(province))
            table.fail(row, QStringLiteral("province '%1' is not two capital letters").arg(province));
        if (!isIsoDate(start) || !isIsoDate(end))
            table.fail(row, QStringLiteral("dates '%1', '%2' are not yyyy-mm-dd").arg(start, end));

        const QString key = name + u'\n' + code;
        const auto found = pairIndex.constFind(key);
        if (found == pairIndex.cend()) {
            pairIndex.insert(key, pairs.size());
            pairs.push_back({{name, province, code}, end, start});
            continue;
        }
        Latest& latest = pairs[*found];
        // Later end date wins, then later start; a full tie keeps the first.
        if (std::tie(end, start) > std::tie(latest.end, latest.start)) {
            latest.record.province = province;
            latest.end = end;
            latest.start = start;
        }
    }

    std::vector<registro::Record> records;
    records.reserve(pairs.size());
    for (Latest& pair : pairs)
        records.push_back(std::move(pair.record));
    return records;
}

std::vector<registro::Record> readForeignStates(const QString& file, QByteArrayView bytes)
{
    const Table table(file, bytes);
    const qsizetype nameColumn = table.column(QStringLiteral("DENOMINAZIONE"));
    const qsizetype codeColumn = table.column(QStringLiteral("CODAT"));

    std::vector<registro::Record> records;
    for (const CsvRow& row : table.rows()) {
        const QString& name = row.fields[nameColumn];
        const QString& code = row.fields[codeColumn];
        // Italy itself, stateless persons and the like have no code.
        if (code.isEmpty())
            continue;
        if (const QString fault = nameFault(name); !fault.isEmpty())
            table.fail(row, fault);
        if (!isCadastralCode(code, u'Z'))
            table.fail(row, QStringLiteral("code '%1' is not Z and three digits").arg(code));
        records.push_back({name, QStringLiteral("EE"), code});
    }
    return records;
}

std::vector<registro::Record> readSources(const QString& municipalities, const QString& foreignStates,
                                          const QString& ceasedStates)
{
    std::vector<registro::Record> all = readMunicipalities(municipalities, readFile(municipalities));
    QSet<QString> seen;
    for (const registro::Record& r : all)
        seen.insert(r.name + u'\n' + r.code);
    for (const QString& path : {foreignStates, ceasedStates}) {
        for (registro::Record& r : readForeignStates(path, readFile(path))) {
            const QString pair = r.name + u'\n' + r.code;
            if (seen.contains(pair))
                continue;
            seen.insert(pair);
            all.push_back(std::move(r));
        }
    }
    return all;
}

} // namespace buildregister
