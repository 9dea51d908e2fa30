#include "CommandLine.h"

#include "AppInfo.h"
#include "AppVersion.h"
#include "Csv.h"
#include "DateParser.h"
#include "Jobs.h"
#include "RegisterUpdate.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstring>

namespace riga {

namespace {

const char kUsage[] = R"(Uso:
  tarvolin                                        apre la finestra
  tarvolin calcola COGNOME NOME DATA SESSO LUOGO  calcola il codice fiscale di una persona
  tarvolin calcola --csv FILE                     lo calcola per ogni riga di FILE
  tarvolin verifica CODICE...                     verifica uno o più codici fiscali
  tarvolin verifica --csv FILE                    verifica il codice di ogni riga di FILE
  tarvolin registro aggiorna ARCHIVIO.csv         ricostruisce il registro dei comuni da un
                                                  archivio ANPR dei comuni più recente
  tarvolin --help                                 mostra questo aiuto
  tarvolin --version                              mostra la versione e la data del registro

FILE «-» è lo standard input. Il file è CSV (UTF-8, campi separati da virgole,
tra virgolette quelli con virgole, virgolette o a capo) con una riga
d'intestazione: per calcola le colonne cognome,nome,data,sesso,luogo, per
verifica la colonna codice, in qualsiasi ordine; le altre colonne sono
ricopiate. Gli argomenti valgono come un file con quell'intestazione.

L'uscita è CSV (UTF-8) sullo standard output: l'intestazione, poi una riga per
ogni riga d'ingresso, con le colonne d'ingresso seguite da
  calcola:  codice,esito,motivo
            esito «ok», o «errore» con il motivo
  verifica: esito,motivo,sesso,data_nascita,data_secolo_precedente,luogo,
            provincia,catastale,omocodia,codice_base
            esito «valido», «non valido» o «errore»

DATA segue l'ordine della lingua del sistema (giorno, mese, anno in italiano);
aaaa-mm-gg vale sempre. SESSO è M o F. LUOGO è il nome di un comune o di uno
stato estero del registro Comuni.mdb, accanto al programma: vale il luogo in
vigore alla data di nascita (un nome ambiguo o non in vigore è un errore).

ARCHIVIO.csv è il file dell'archivio storico dei comuni di ANPR, nello stesso
formato di quello da cui è fatto il registro; il registro nuovo sostituisce
Comuni.mdb accanto al programma solo se tutto va a buon fine.

Stato d'uscita: 0 se ogni riga è riuscita (per verifica: ogni codice è
valido; per registro: il registro è aggiornato), 1 altrimenti, 2 se il
comando è usato male o il file non si legge (per registro: se il registro
non è aggiornato).
)";

// Standard output, in writes of a buffer that keeps its memory.
class Output {
public:
    static constexpr qsizetype kChunk = 64 * 1024;
    Output() { buffer_.reserve(2 * kChunk); }
    ~Output() { flush(); }
    QByteArray& buffer() { return buffer_; }
    void rowDone()
    {
        if (buffer_.size() >= kChunk)
            flush();
    }
    void flush()
    {
        if (!buffer_.isEmpty())
            std::fwrite(buffer_.constData(), 1, size_t(buffer_.size()), stdout);
        buffer_.resize(0);
        std::fflush(stdout);
    }

private:
    QByteArray buffer_;
};

void printError(const QString& message)
{
    const QByteArray text = QStringLiteral("tarvolin: %1\n").arg(message).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
}

int badUsage(const QString& message)
{
    printError(message);
    printError(QStringLiteral("«tarvolin --help» mostra l'uso."));
    return BadUsage;
}

void appendRow(QByteArray& out, const QStringList& input, qsizetype width, const QStringList& added)
{
    for (qsizetype i = 0; i < width; ++i) {
        if (i > 0)
            out += ',';
        if (i < input.size())
            platform::appendCsvField(out, input[i]);
    }
    for (const QString& field : added) {
        out += ',';
        platform::appendCsvField(out, field);
    }
    out += '\n';
}

// The input's columns the job reads, by name; -1 where one is missing.
QList<qsizetype> columnsOf(const QStringList& header, const QStringList& wanted)
{
    QList<qsizetype> at;
    for (const QString& column : wanted) {
        qsizetype found = -1;
        for (qsizetype i = 0; i < header.size() && found < 0; ++i)
            if (header[i].trimmed().compare(column, Qt::CaseInsensitive) == 0)
                found = i;
        at << found;
    }
    return at;
}

int runRows(Job& job, const QStringList& header, const QList<QStringList>& rows)
{
    Output out;
    appendRow(out.buffer(), header, header.size(), job.addedColumns());
    bool allDone = true;
    QStringList added;
    for (const QStringList& row : rows) {
        allDone &= job.run(row, added);
        appendRow(out.buffer(), row, header.size(), added);
    }
    return allDone ? Success : RowFailed;
}

int runCsv(Job& job, const QByteArray& bytes, const QString& file)
{
    platform::CsvReader reader(bytes);
    platform::CsvRecord record;
    const QString columns = job.inputColumns().join(u',');
    if (!reader.next(record))
        return badUsage(QStringLiteral("%1 è vuoto: manca la riga d'intestazione (%2).").arg(file, columns));
    if (record.fault != platform::CsvFault::None)
        return badUsage(
            QStringLiteral("%1, riga d'intestazione non leggibile: %2.").arg(file, platform::csvFaultText(record)));
    const QStringList header = record.fields;
    const QList<qsizetype> at = columnsOf(header, job.inputColumns());
    for (qsizetype i = 0; i < at.size(); ++i)
        if (at[i] < 0)
            return badUsage(QStringLiteral("%1: nell'intestazione manca la colonna «%2» (servono %3).")
                                .arg(file, job.inputColumns()[i], columns));

    Output out;
    appendRow(out.buffer(), header, header.size(), job.addedColumns());
    bool allDone = true;
    QStringList values(at.size());
    QStringList added;
    while (reader.next(record)) {
        if (record.fault != platform::CsvFault::None) {
            added = job.unreadable(
                QStringLiteral("Riga %1 non leggibile: %2.").arg(record.line).arg(platform::csvFaultText(record)));
            allDone = false;
        } else if (record.fields.size() != header.size()) {
            added = job.unreadable(QStringLiteral("Riga %1: %2 campi invece di %3.")
                                       .arg(record.line)
                                       .arg(record.fields.size())
                                       .arg(header.size()));
            allDone = false;
        } else {
            for (qsizetype i = 0; i < at.size(); ++i)
                values[i] = record.fields[at[i]];
            allDone &= job.run(values, added);
        }
        appendRow(out.buffer(), record.fields, header.size(), added);
        out.rowDone();
    }
    return allDone ? Success : RowFailed;
}

// The whole file, or standard input for "-"; false with the reason.
bool readInput(const QString& file, QByteArray& bytes, QString& reason)
{
    QFile input;
    if (file == u"-") {
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            reason = QStringLiteral("impossibile leggere lo standard input.");
            return false;
        }
    } else {
        const QFileInfo info(file);
        input.setFileName(file);
        if (!info.exists()) {
            reason = QStringLiteral("%1: il file non esiste.").arg(file);
            return false;
        }
        if (info.isDir()) {
            reason = QStringLiteral("%1 è una cartella, non un file.").arg(file);
            return false;
        }
        if (!input.open(QIODevice::ReadOnly)) {
            reason = QStringLiteral("impossibile aprire %1 (%2).").arg(file, input.errorString());
            return false;
        }
    }
    bytes = input.readAll();
    if (input.error() != QFileDevice::NoError) {
        reason = QStringLiteral("impossibile leggere %1 (%2).").arg(file, input.errorString());
        return false;
    }
    return true;
}

using platform::italianDate;

int printVersion(const platform::AppInfo& info)
{
    const Register comuni = openRegister(info.executableDir);
    QString data;
    if (!comuni.db)
        data = QStringLiteral("elenco dei comuni non disponibile: ") + comuni.fault;
    else if (comuni.dataDate.isValid())
        data = QStringLiteral("elenco dei comuni aggiornato al ") + italianDate(comuni.dataDate);
    else
        data = QStringLiteral("elenco dei comuni senza data di aggiornamento");
    const QByteArray text = QStringLiteral("%1 %2\n%3\n").arg(info.title, info.versionText(), data).toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return Success;
}

// tarvolin registro aggiorna ARCHIVIO.csv: the register beside the program
// rebuilt from a newer archive, with the other sources as the program
// carries them.
int updateRegister(const QStringList& rest, const platform::AppInfo& info)
{
    if (rest.size() != 2 || rest[0] != u"aggiorna")
        return badUsage(QStringLiteral("registro vuole «aggiorna ARCHIVIO.csv»."));
    const QString archive = rest[1];
    const QString target = registro::registerPathIn(info.executableDir);
    const auto failed = [](const QString& why) {
        printError(QStringLiteral("registro dei comuni non aggiornato: ") + why);
        return BadUsage;
    };
    const QFileInfo file(archive);
    if (!file.exists())
        return failed(QStringLiteral("%1: il file non esiste.").arg(archive));
    if (file.isDir())
        return failed(QStringLiteral("%1 è una cartella, non un file.").arg(archive));
    if (!QFileInfo(info.executableDir).isWritable())
        return failed(QStringLiteral("questo utente non può scrivere nella cartella %1. Un'installazione di sistema "
                                     "si aggiorna come amministratore: sudo tarvolin registro aggiorna %2.")
                          .arg(info.executableDir, archive));
    const QString vendored = QStringLiteral(":/dati/");
    try {
        const registro::UpdateResult result = registro::updateRegister(
            target,
            {archive, vendored + QStringLiteral("ANPR_variazioni_dopo_2023-05-16.csv"),
             vendored + QStringLiteral("ANPR_stati_esteri.csv"), vendored + QStringLiteral("stati_cessati.csv"),
             vendored + QStringLiteral("territori_esteri.csv"), vendored + QStringLiteral("stati_nomi_comuni.csv"),
             vendored + QStringLiteral("nomi_comuni_in_uso.csv")});
        const QByteArray text = QStringLiteral("Registro dei comuni aggiornato: %1, %2 luoghi, elenco dei comuni "
                                               "aggiornato al %3.\n")
                                    .arg(target)
                                    .arg(result.records)
                                    .arg(italianDate(result.dataDate))
                                    .toUtf8();
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return Success;
    } catch (const registro::sources::SourceError& e) {
        return failed(e.line > 0 ? QStringLiteral("%1, riga %2: %3.").arg(e.file).arg(e.line).arg(e.message)
                                 : QStringLiteral("%1: %2.").arg(e.file, e.message));
    } catch (const platform::Error& e) {
        return failed(platform::errorText(e));
    }
}

} // namespace

bool isCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const char* first = argv[1];
    return first[0] != '-' || std::strcmp(first, "--help") == 0 || std::strcmp(first, "-h") == 0
           || std::strcmp(first, "--version") == 0;
}

int run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    const platform::AppInfo info = platform::systemAppInfo();
    QCoreApplication::setApplicationVersion(info.versionText());

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    const auto isHelp = [](const QString& a) { return a == u"--help" || a == u"-h"; };
    if (arguments.isEmpty())
        return badUsage(QStringLiteral("manca il comando."));
    if (isHelp(arguments[0]) || (arguments.size() > 1 && isHelp(arguments[1]))) {
        const QByteArray text = QStringLiteral("%1 %2: calcola e verifica il codice fiscale.\n\n")
                                    .arg(info.title, info.versionText())
                                    .toUtf8()
                                + QByteArray(kUsage);
        std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
        return Success;
    }
    if (arguments[0] == u"--version")
        return printVersion(info);

    const QString command = arguments[0];
    const QStringList rest = arguments.mid(1);
    if (command == u"registro")
        return updateRegister(rest, info);
    if (command != u"calcola" && command != u"verifica")
        return badUsage(
            QStringLiteral("comando sconosciuto «%1»: i comandi sono calcola, verifica e registro.").arg(command));
    const bool csv = rest.value(0) == u"--csv";
    if (csv && rest.size() != 2)
        return badUsage(QStringLiteral("--csv vuole il nome di un file (o «-» per lo standard input), e nient'altro."));
    if (!csv && command == u"calcola" && rest.size() != 5)
        return badUsage(QStringLiteral("calcola vuole cinque argomenti, COGNOME NOME DATA SESSO LUOGO: ne ha %1.")
                            .arg(rest.size()));
    if (!csv && command == u"verifica" && rest.isEmpty())
        return badUsage(QStringLiteral("verifica vuole almeno un CODICE."));

    QByteArray bytes;
    if (csv) {
        QString reason;
        if (!readInput(rest[1], bytes, reason))
            return badUsage(reason);
    }

    Register comuni = openRegister(info.executableDir);
    const QDate today = QDate::currentDate();
    std::unique_ptr<Job> job;
    if (command == u"calcola")
        job = std::make_unique<Calcola>(comuni, today, QLocale::system());
    else
        job = std::make_unique<Verifica>(comuni, today);

    if (csv)
        return runCsv(*job, bytes, rest[1] == u"-" ? QStringLiteral("lo standard input") : rest[1]);
    QList<QStringList> rows;
    if (command == u"calcola")
        rows << rest;
    else
        for (const QString& code : rest)
            rows << QStringList{code};
    return runRows(*job, job->inputColumns(), rows);
}

} // namespace riga
