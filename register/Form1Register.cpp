// The main window's hold on the municipality register: opened while the
// window loads, closed by the close command.

#include "Form1.h"

namespace {
const QString kFileName = QStringLiteral("Comuni.mdb");
}

void Form1::apriComuni()
{
    // Each step leaves what it opened in place, so a later failure leaves the
    // register partly open; the window opens and works all the same.
    try {
        const QString path = services_.app.executableDir + u'/' + kFileName;
        dbComuni = registro::Database::open(path);
        rsComuni = dbComuni->openRecordset(QStringLiteral("Comuni"));
        rsComuni->setIndex(QStringLiteral("COMU_DESCR"));
    } catch (const platform::Error& error) {
        showMessage(QStringLiteral("Errore n° ") + QString::number(error.number) + u' ' + error.description);
    }
}

void Form1::cmdEsci_Click()
{
    if (rsComuni && rsComuni->isOpen())
        rsComuni->close();
    if (dbComuni && dbComuni->isOpen())
        dbComuni->close();
    services_.program.end();
}
