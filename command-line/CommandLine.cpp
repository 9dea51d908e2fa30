#include "CommandLine.h"

#include "AppInfo.h"
#include "AppVersion.h"
#include "Calcola.h"
#include "Csv.h"
#include "DateParser.h"
#include "Input.h"
#include "Output.h"
#include "RegisterUpdate.h"
#include "Rows.h"
#include "Verifica.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace riga {

namespace {

using platform::italianDate;

// The help after the commands' forms.
const char kNotes[] = R"(
Le opzioni di Qt (-platform, -style, -display, -geometry...) aprono la finestra.

FILE «-» è lo standard input; non può essere il file d'uscita. Il file è
CSV in UTF-8, o in UTF-16 con il BOM (il «testo Unicode» di un foglio di
calcolo), con una riga d'intestazione; il separatore è quello di una prima
riga «sep=;», se c'è, o quello dell'intestazione: virgola, punto e virgola
(come lo salva un foglio di calcolo in italiano) o tabulazione. Le righe
finiscono in LF, CR LF o CR; le righe vuote, anche di soli separatori, sono
saltate. Un campo con il separatore, virgolette o a capo va tra virgolette.
Una data con l'ora 00:00 vale quel giorno. Le colonne:
per calcola cognome, nome, data, sesso, luogo e, se serve, provincia; per
verifica codice; in qualsiasi ordine; le altre colonne sono ricopiate. Gli
argomenti valgono come un file con quell'intestazione. Ogni riga è elaborata
appena letta; una riga di oltre %1 è una riga d'errore.

L'uscita è CSV sullo standard output nella forma dell'ingresso (separatore,
codifica, fine riga, BOM e riga «sep=»): l'intestazione, poi una riga per
ogni riga d'ingresso, con le colonne d'ingresso seguite da
  calcola:  codice,esito,motivo
            esito «ok», o «errore» con il motivo
  verifica: esito,motivo,sesso,data_nascita,data_secolo_precedente,luogo,
            provincia,catastale,omocodia,codice_base
            esito «valido», «non valido» o «errore»

DATA è giorno, mese, anno (7/5/1983, 07-05-83, 7 maggio 1983, 07051983) o
aaaa-mm-gg (1983-05-07), qualunque sia la lingua del sistema. SESSO è M o F.
LUOGO è il nome di un comune o di uno stato estero del registro Comuni.mdb,
accanto al programma: vale il luogo in vigore alla data di nascita. Se quel
giorno il nome era di più luoghi (CASTRO in provincia di Bergamo e di Lecce),
PROVINCIA (BG, LE) dice quale; senza, il nome ambiguo è un errore, come un
luogo non in vigore.

ARCHIVIO.csv è il file dell'archivio storico dei comuni di ANPR, nello stesso
formato di quello da cui è fatto il registro; il registro nuovo sostituisce
Comuni.mdb accanto al programma solo se tutto va a buon fine.

Stato d'uscita: 0 se ogni riga è riuscita (per verifica: ogni codice è
valido; per registro: il registro è aggiornato), 1 altrimenti, 2 se il
comando è usato male, il file non si legge o l'uscita non si scrive (per
registro: se il registro non è aggiornato).
)";

struct Context {
    const platform::AppInfo& info;
    QDate today;
};

struct Command;
using Runner = int (*)(const Command& command, const QStringList& rest, const Context& context);

// A command: the first argument that names it; its forms for the usage (the
// arguments and what they do; none for an alias); the job it runs over rows,
// for those that have one; and how it runs.
struct Command {
    QString name;
    QList<std::pair<QString, QString>> forms;
    std::unique_ptr<Job> (*job)(Register& comuni, QDate today);
    Runner run;
};

const QList<Command>& commands();

// "  tarvolin calcola --csv FILE       lo calcola per ogni riga di FILE", one
// line per form, the descriptions in a column of their own.
QString usage()
{
    constexpr qsizetype kColumn = 50;
    QString text = QStringLiteral("Uso:\n");
    const auto line = [&](const QString& left, const QString& what) {
        QString said = QStringLiteral("  ") + left;
        said += said.size() < kColumn - 1 ? QString(kColumn - said.size(), u' ') : u'\n' + QString(kColumn, u' ');
        text += said + QString(what).replace(u'\n', u'\n' + QString(kColumn, u' ')) + u'\n';
    };
    line(QStringLiteral("tarvolin"), QStringLiteral("apre la finestra"));
    for (const Command& command : commands())
        for (const auto& [arguments, what] : command.forms)
            line(QStringLiteral("tarvolin %1 %2").arg(command.name, arguments).trimmed(), what);
    return text;
}

// Writes `text` to standard output: Success, or BadUsage when it cannot.
int print(const QString& text)
{
    Output out;
    out.buffer() += text.toUtf8();
    return out.finish(Success);
}

int printHelp(const Command&, const QStringList&, const Context& context)
{
    return print(QStringLiteral("%1 %2: calcola e verifica il codice fiscale.\n\n")
                     .arg(context.info.title, context.info.versionText())
                 + usage() + QString::fromUtf8(kNotes).arg(platform::csvRecordLimitText()));
}

int printVersion(const Command&, const QStringList&, const Context& context)
{
    const Register comuni = openRegister(context.info.executableDir);
    QString data;
    if (!comuni.db)
        data = QStringLiteral("elenco dei comuni non disponibile: ") + comuni.fault;
    else if (comuni.dataDate.isValid())
        data = QStringLiteral("elenco dei comuni aggiornato al ") + italianDate(comuni.dataDate);
    else
        data = QStringLiteral("elenco dei comuni senza data di aggiornamento");
    return print(QStringLiteral("%1 %2\n%3\n").arg(context.info.title, context.info.versionText(), data));
}

// calcola and verifica: the job over the rows of the arguments or of a CSV
// input, once they have been found usable.
int runJob(const Command& command, const QStringList& rest, const Context& context)
{
    Register comuni;
    const std::unique_ptr<Job> job = command.job(comuni, context.today);
    Output out;
    if (rest.value(0) == u"--csv") {
        if (rest.size() != 2)
            return badUsage(
                QStringLiteral("--csv vuole il nome di un file (o «-» per lo standard input), e nient'altro."));
        Input input(out);
        QString reason;
        if (!input.open(rest[1], reason))
            return badUsage(reason);
        comuni = openRegister(context.info.executableDir);
        return runCsv(*job, input, out);
    }
    QStringList header;
    QList<QStringList> rows;
    QString reason;
    if (!job->argumentRows(rest, header, rows, reason))
        return badUsage(reason);
    comuni = openRegister(context.info.executableDir);
    return runArguments(*job, header, rows, out);
}

// tarvolin registro aggiorna ARCHIVIO.csv: the register beside the program
// rebuilt from a newer archive, with the other sources as the program
// carries them.
int updateRegister(const Command&, const QStringList& rest, const Context& context)
{
    if (rest.size() != 2 || rest[0] != u"aggiorna")
        return badUsage(QStringLiteral("registro vuole «aggiorna ARCHIVIO.csv»."));
    const QString archive = rest[1];
    const QString folder = context.info.executableDir;
    const QString target = registro::registerPathIn(folder);
    const auto failed = [](const QString& why) {
        printError(QStringLiteral("registro dei comuni non aggiornato: ") + why);
        return BadUsage;
    };
    const QFileInfo file(archive);
    if (!file.exists())
        return failed(QStringLiteral("%1: il file non esiste.").arg(archive));
    if (file.isDir())
        return failed(QStringLiteral("%1 è una cartella, non un file.").arg(archive));
    // Not even root writes on a file system mounted read-only: sudo would not help.
    if (::access(QFile::encodeName(folder).constData(), W_OK) != 0 && errno == EROFS)
        return failed(QStringLiteral("la cartella %1 è su un file system in sola lettura.").arg(folder));
    if (!QFileInfo(folder).isWritable())
        return failed(QStringLiteral("questo utente non può scrivere nella cartella %1. Un'installazione di sistema "
                                     "si aggiorna come amministratore: sudo tarvolin registro aggiorna %2.")
                          .arg(folder, archive));
    // The archive, then the files carried, in the order of SourceFiles that
    // the build gives them in.
    const QStringList carried = QStringLiteral(TARVOLIN_CARRIED_SOURCES).split(u',');
    const auto from = [&](int i) { return QStringLiteral(":/dati/") + carried.value(i); };
    try {
        const registro::UpdateResult result =
            registro::updateRegister(target, {archive, from(0), from(1), from(2), from(3), from(4), from(5)});
        return print(QStringLiteral("Registro dei comuni aggiornato: %1, %2 luoghi, elenco dei comuni aggiornato al "
                                    "%3.\n")
                         .arg(target)
                         .arg(result.records)
                         .arg(italianDate(result.dataDate)));
    } catch (const registro::sources::SourceError& e) {
        return failed(e.line > 0 ? QStringLiteral("%1, riga %2: %3.").arg(e.file).arg(e.line).arg(e.message)
                                 : QStringLiteral("%1: %2.").arg(e.file, e.message));
    } catch (const platform::Error& e) {
        return failed(platform::errorText(e));
    }
}

template <class J> std::unique_ptr<Job> make(Register& comuni, QDate today)
{
    return std::make_unique<J>(comuni, today);
}

const QList<Command>& commands()
{
    static const QList<Command> table{
        {QStringLiteral("calcola"),
         {{QStringLiteral("COGNOME NOME DATA SESSO LUOGO [PROVINCIA]"),
           QStringLiteral("calcola il codice fiscale di una persona")},
          {QStringLiteral("--csv FILE"), QStringLiteral("lo calcola per ogni riga di FILE")}},
         make<Calcola>,
         runJob},
        {QStringLiteral("verifica"),
         {{QStringLiteral("CODICE..."), QStringLiteral("verifica uno o più codici fiscali")},
          {QStringLiteral("--csv FILE"), QStringLiteral("verifica il codice di ogni riga di FILE")}},
         make<Verifica>,
         runJob},
        {QStringLiteral("registro"),
         {{QStringLiteral("aggiorna ARCHIVIO.csv"),
           QStringLiteral("ricostruisce il registro dei comuni da un\narchivio ANPR dei comuni più recente")}},
         nullptr,
         updateRegister},
        {QStringLiteral("--help"), {{QString(), QStringLiteral("mostra questo aiuto")}}, nullptr, printHelp},
        {QStringLiteral("-h"), {}, nullptr, printHelp},
        {QStringLiteral("--version"),
         {{QString(), QStringLiteral("mostra la versione e la data del registro")}},
         nullptr,
         printVersion},
    };
    return table;
}

// A command or option the program does not know: said, with the usage.
int unknown(const QString& argument)
{
    QStringList names;
    for (const Command& command : commands())
        if (!command.name.startsWith(u'-'))
            names << command.name;
    const QString last = names.takeLast();
    return badUsage(argument.startsWith(u'-') ? QStringLiteral("opzione sconosciuta «%1».").arg(argument)
                                              : QStringLiteral("comando sconosciuto «%1»: i comandi sono %2 e %3.")
                                                    .arg(argument, names.join(QStringLiteral(", ")), last),
                    usage());
}

// Qt's own options, which start the window: QGuiApplication's,
// QApplication's and those of X11, as "-name", "--name" or "-name=value".
bool isQtOption(const char* argument)
{
    static const char* const options[] = {
        "platform",        "platformpluginpath", "platformtheme", "plugin",     "qmljsdebugger",
        "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "reverse",    "session",
        "display",         "geometry",           "style",         "stylesheet", "widgetcount"};
    QByteArrayView name(argument);
    name = name.sliced(name.startsWith("--") ? 2 : 1);
    if (const qsizetype equals = name.indexOf('='); equals >= 0)
        name = name.first(equals);
    for (const char* option : options)
        if (name == option)
            return true;
    return false;
}

bool hasDisplay()
{
    for (const char* variable : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(variable); value && *value)
            return true;
    return false;
}

} // namespace

bool isCommandLine(int argc, char** argv)
{
    if (argc < 2)
        return false;
    const char* first = argv[1];
    if (first[0] != '-')
        return true;
    for (const Command& command : commands())
        if (command.name.startsWith(u'-') && command.name == QLatin1StringView(first))
            return true;
    if (isQtOption(first))
        return false;
    // Another option: where there is a display, Qt passes over it and the
    // window starts as it always has; where there is none, Qt could only
    // abort, so the usage says what was meant.
    return !hasDisplay();
}

int run(int argc, char** argv)
{
    // Under a file-size limit (ulimit -f) a write past it kills by SIGXFSZ
    // mid-row; ignored, it fails with EFBIG and is said as a full disk is.
    std::signal(SIGXFSZ, SIG_IGN);
    if (!Output::standardStreamsReady()) {
        printError(QStringLiteral("impossibile scrivere sullo standard output (chiuso)."));
        return BadUsage;
    }
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QString::fromUtf8(platform::version::title));
    const platform::AppInfo info = platform::systemAppInfo();
    QCoreApplication::setApplicationVersion(info.versionText());

    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.isEmpty())
        return badUsage(QStringLiteral("manca il comando."));
    const Context context{info, QDate::currentDate()};
    const QStringList rest = arguments.mid(1);
    // A command's own --help is the help too.
    if (rest.value(0) == u"--help" || rest.value(0) == u"-h")
        return printHelp({}, {}, context);
    for (const Command& command : commands())
        if (command.name == arguments[0])
            return command.run(command, rest, context);
    return unknown(arguments[0]);
}

} // namespace riga
