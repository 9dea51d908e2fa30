#include "SourceNames.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

namespace testing {

// The data files' CSV: a header, fields in double quotes or bare, no line
// breaks inside a field, a byte-order mark perhaps.
std::vector<CsvRow> readCsvRows(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QString text = QString::fromUtf8(file.readAll());
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    std::vector<QStringList> lines;
    for (const QString& line : text.split(u'\n', Qt::SkipEmptyParts)) {
        QStringList fields{QString()};
        bool quoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const QChar c = line[i];
            if (c == u'"' && quoted && i + 1 < line.size() && line[i + 1] == u'"')
                fields.back() += c, ++i;
            else if (c == u'"')
                quoted = !quoted;
            else if (c == u',' && !quoted)
                fields << QString();
            else if (c != u'\r' || quoted)
                fields.back() += c;
        }
        lines.push_back(fields);
    }
    std::vector<CsvRow> rows;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        CsvRow row;
        for (qsizetype c = 0; c < lines[0].size(); ++c)
            row.insert(lines[0][c], lines[i].value(c));
        rows.push_back(row);
    }
    return rows;
}

namespace {

// yyyy-mm-dd or dd/mm/yyyy; the far-off 9999 end and the 1900 start the
// foreign table writes for "unknown" are open.
QDate day(const QString& text)
{
    QDate d = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    if (!d.isValid())
        d = QDate::fromString(text, QStringLiteral("dd/MM/yyyy"));
    return d.year() == 9999 ? QDate() : d;
}

void addWithParts(std::vector<NamedSpan>& names, NamedSpan span)
{
    names.push_back(span);
    const QStringList parts = span.name.split(u'-');
    if (parts.size() < 2)
        return;
    static const QRegularExpression prefix(QStringLiteral("^(COMUNE DI|OBCINA) "));
    for (QString part : parts) {
        span.name = part.remove(prefix).trimmed();
        span.whole = false;
        names.push_back(span);
    }
}

void addSpansOfCode(std::vector<NamedSpan>& names, const QString& name, const QString& code,
                    const QString& officialName)
{
    const std::size_t count = names.size();
    for (std::size_t i = 0; i < count; ++i)
        if (names[i].whole && names[i].code == code && (officialName.isEmpty() || names[i].name == officialName))
            names.push_back({name, code, names[i].first, names[i].last});
}

} // namespace

std::vector<NamedSpan> sourceNames(const QString& dataDir)
{
    const auto rows = [&](const char* file) { return readCsvRows(dataDir + u'/' + QLatin1String(file)); };
    // The archive, each period closed or added by the changes after its date.
    std::vector<CsvRow> archive = rows("ANPR_archivio_comuni.csv");
    for (const CsvRow& change : rows("ANPR_variazioni_dopo_2023-05-16.csv")) {
        auto period =
            std::find_if(archive.begin(), archive.end(), [&](const CsvRow& r) { return r["ID"] == change["ID"]; });
        if (change["ID"].isEmpty() || period == archive.end())
            archive.push_back(change);
        else
            (*period)["DATACESSAZIONE"] = change["DATACESSAZIONE"];
    }
    std::vector<NamedSpan> names;
    for (const CsvRow& r : archive) {
        const QString code = r["CODCATASTALE"];
        if (code.isEmpty() || code == u"ND")
            continue;
        for (const char* column : {"DENOMINAZIONE_IT", "ALTRADENOMINAZIONE"})
            if (const QString name = r[column]; !name.isEmpty())
                addWithParts(names, {name, code, day(r["DATAISTITUZIONE"]), day(r["DATACESSAZIONE"])});
    }
    for (const CsvRow& r : rows("ANPR_stati_esteri.csv"))
        if (!r["CODAT"].isEmpty())
            names.push_back({r["DENOMINAZIONE"], r["CODAT"], {}, {}});
    for (const char* file : {"stati_cessati.csv", "territori_esteri.csv"})
        for (const CsvRow& r : rows(file))
            names.push_back({r["DENOMINAZIONE"], r["CODAT"], day(r["DAL"]), day(r["AL"])});
    for (const CsvRow& r : rows("nomi_comuni_in_uso.csv"))
        addSpansOfCode(names, r["NOME"], r["CODCATASTALE"], r["DENOMINAZIONE_UFFICIALE"]);
    for (const CsvRow& r : rows("stati_nomi_comuni.csv"))
        addSpansOfCode(names, r["NOME"], r["CODAT"], {});
    return names;
}

QString plainName(const QString& name, bool accents)
{
    QString upper = name.toUpper().normalized(QString::NormalizationForm_D);
    for (const auto& [letter, spelled] :
         {std::pair{u"Æ", u"AE"}, {u"Œ", u"OE"}, {u"Ø", u"O"}, {u"Ł", u"L"}, {u"Đ", u"D"}, {u"ẞ", u"SS"}})
        upper.replace(QString::fromUtf16(letter), QString::fromUtf16(spelled));
    QString out;
    for (QChar c : upper) {
        if (c.category() == QChar::Mark_NonSpacing) {
            if (accents && !out.endsWith(u'*'))
                out += u'*';
        } else {
            out += QStringView(u"’‘`´ʼ").contains(c) ? QChar(u'\'') : c;
        }
    }
    static const QRegularExpression accent(QStringLiteral("([AEIOU])(\\*?)'(?=[ '-]|$)"));
    static const QRegularExpression separators(QStringLiteral("[ '-]+"));
    out.replace(accent, accents ? QStringLiteral("\\1*") : QStringLiteral("\\1"));
    return out.replace(separators, QStringLiteral(" ")).trimmed();
}

} // namespace testing
