#include "PrinterReason.h"

#include <QString>

namespace platform {

namespace {

struct Said {
    const char* keyword;
    const char* words; // UTF-8
};

// The printer-state-reasons of IPP and CUPS that tell the user something.
constexpr Said kReasons[] = {
    {"connecting-to-device", "collegamento alla stampante in corso"},
    {"cover-open", "coperchio aperto"},
    {"cups-missing-filter", "filtro di stampa mancante"},
    {"developer-empty", "sviluppatore esaurito"},
    {"developer-low", "sviluppatore in esaurimento"},
    {"door-open", "sportello aperto"},
    {"fuser-over-temp", "fusore troppo caldo"},
    {"fuser-under-temp", "fusore non ancora caldo"},
    {"input-tray-missing", "cassetto della carta mancante"},
    {"interlock-open", "sportello di sicurezza aperto"},
    {"marker-supply-empty", "inchiostro o toner esaurito"},
    {"marker-supply-low", "inchiostro o toner in esaurimento"},
    {"marker-waste-almost-full", "contenitore di scarto quasi pieno"},
    {"marker-waste-full", "contenitore di scarto pieno"},
    {"media-empty", "carta esaurita"},
    {"media-jam", "carta inceppata"},
    {"media-low", "carta in esaurimento"},
    {"media-needed", "carta da caricare"},
    {"moving-to-paused", "in pausa"},
    {"offline", "stampante non in linea"},
    {"opc-life-over", "tamburo esaurito"},
    {"opc-near-eol", "tamburo quasi esaurito"},
    {"output-area-almost-full", "vassoio di uscita quasi pieno"},
    {"output-area-full", "vassoio di uscita pieno"},
    {"output-tray-missing", "vassoio di uscita mancante"},
    {"paused", "in pausa"},
    {"shutdown", "stampante spenta"},
    {"spool-area-full", "spazio per i lavori esaurito"},
    {"stopped-partly", "in parte ferma"},
    {"stopping", "in arresto"},
    {"timed-out", "la stampante non risponde"},
    {"toner-empty", "toner esaurito"},
    {"toner-low", "toner in esaurimento"},
};

// The keyword in Italian, its severity (-error, -warning, -report) aside;
// empty when it is no keyword of the table. CUPS's own texts spell some of
// them with a capital ("Paused").
QString italian(QString keyword)
{
    keyword = keyword.trimmed().toLower();
    for (const char* severity : {"-error", "-warning", "-report"})
        if (keyword.endsWith(QLatin1StringView(severity))) {
            keyword.chop(static_cast<int>(qstrlen(severity)));
            break;
        }
    for (const Said& said : kReasons)
        if (keyword == QLatin1StringView(said.keyword))
            return QString::fromUtf8(said.words);
    return {};
}

} // namespace

QString printerReason(const QString& message, const QStringList& keywords)
{
    QStringList said;
    const auto say = [&](const QString& words) {
        if (!words.isEmpty() && !said.contains(words, Qt::CaseInsensitive))
            said << words;
    };
    const QString text = message.trimmed();
    const QString ofText = italian(text);
    const bool freeText = !text.isEmpty() && ofText.isEmpty();
    say(freeText ? text : ofText);
    for (const QString& keyword : keywords)
        say(italian(keyword));
    // The printer's own words first, the standard reasons after them.
    if (freeText && said.size() > 1)
        return said.first() + QStringLiteral(" (") + said.mid(1).join(QStringLiteral(", ")) + QLatin1Char(')');
    return said.join(QStringLiteral(", "));
}

} // namespace platform
