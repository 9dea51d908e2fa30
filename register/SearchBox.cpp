#include "SearchBox.h"

#include "Look.h"
#include "RegisterSql.h"
#include "Text.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace {

enum KeyCode { PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40 };

// The key code the handlers know: the four scrolling keys by their classic
// numbers; letters and digits as their upper-case character.
int keyCodeOf(const QKeyEvent* event)
{
    switch (event->key()) {
        case Qt::Key_PageUp: return PageUp;
        case Qt::Key_PageDown: return PageDown;
        case Qt::Key_End: return End;
        case Qt::Key_Home: return Home;
        case Qt::Key_Left: return Left;
        case Qt::Key_Up: return Up;
        case Qt::Key_Right: return Right;
        case Qt::Key_Down: return Down;
        default: return event->key() < 256 ? event->key() : 0;
    }
}

// What reading an unset cursor gives: the register never opened.
platform::Error notOpen()
{
    return platform::Error(91, QStringLiteral("Variabile oggetto o variabile del blocco With non impostata"));
}

} // namespace

SearchBox::SearchBox(QLineEdit& nameBox, QLineEdit& provinceBox, QLineEdit& codeBox, platform::Services& services)
    : Text1(nameBox), Text2(provinceBox), Text3(codeBox), services_(services)
{
    Text1.installEventFilter(this);
}

SearchBox::~SearchBox() = default;

void SearchBox::setCursor(std::unique_ptr<registro::Recordset> cursor) { rsComuni = std::move(cursor); }

void SearchBox::closeCursor()
{
    if (rsComuni && rsComuni->isOpen())
        rsComuni->close();
}

void SearchBox::showMessage(const QString& text) { services_.messageBox.show(Text1.window(), text); }

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &Text1)
        return false;
    // The press reaches the handler before the box handles the key, and then
    // goes on to the box. A held key repeats presses; its repeated releases
    // are not real releases and are ignored.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        Text1_KeyDown(keyCodeOf(key));
    } else if (event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->isAutoRepeat())
            Text1_KeyUp();
    }
    return false;
}

// Caret after the first `keep` characters of the box, the rest selected.
void SearchBox::selectAfter(qsizetype keep)
{
    const int length = static_cast<int>(Text1.text().size());
    const int start = static_cast<int>(std::min<qsizetype>(keep, length));
    Text1.setSelection(start, length - start);
}

// The current record into the box (as much of its name as the box holds),
// the province and the code beside it.
void SearchBox::showRecord(qsizetype keep)
{
    Text1.setText(rsComuni->field(registro::sql::kName));
    selectAfter(keep);
    Text2.setText(rsComuni->field(registro::sql::kProvince));
    Text3.setText(rsComuni->field(registro::sql::kCode));
}

void SearchBox::Text1_KeyUp()
{
    QColor target = look::black;
    const QString search = platform::trimBlanks(Text1.text());
    if (search.isEmpty()) {
        remembered_.clear();
        return;
    }
    try {
        if (!rsComuni)
            throw notOpen();
        rsComuni->seek(search);
        if (!rsComuni->noMatch() && !rsComuni->eof()) {
            const qsizetype n = search.size();
            if (platform::upperCase(rsComuni->field(registro::sql::kName).left(n)) == platform::upperCase(search)) {
                if (n > remembered_.size())
                    showRecord(n);
            } else {
                if (look::textColour(&Text1) != look::darkRed)
                    showMessage(QStringLiteral("Comune non in elenco"));
                target = look::darkRed;
                Text2.setText(QStringLiteral("?"));
                Text3.setText(QStringLiteral("?"));
            }
        }
        if (look::textColour(&Text1) != target)
            look::setTextColour(&Text1, target);
        remembered_ = search;
    } catch (const platform::Error& error) {
        showMessage(QStringLiteral("DulMsg: ") + QString::number(error.number) + u' ' + error.description);
    }
}

void SearchBox::Text1_KeyDown(int KeyCode)
{
    const QString search = platform::trimBlanks(Text1.text());
    if (search.isEmpty()) {
        remembered_.clear();
        return;
    }
    const bool forward = KeyCode == PageDown || KeyCode == Down;
    const bool back = KeyCode == PageUp || KeyCode == Up;
    if (!forward && !back)
        return;

    const qsizetype n = search.size();
    // Failures here are never reported: a failing step leaves the caret after
    // the typed part with the rest selected, and nothing else.
    try {
        if (!rsComuni)
            throw notOpen();
        if (!(forward ? rsComuni->eof() : rsComuni->bof()) && !rsComuni->noMatch()) {
            forward ? rsComuni->moveNext() : rsComuni->movePrevious();
            if (forward ? rsComuni->eof() : rsComuni->bof())
                selectAfter(n); // past the end of the list: nothing new to show
            else
                showRecord(n);
        }
    } catch (const platform::Error&) {
        selectAfter(n);
    }
    if (look::textColour(&Text1) != look::black)
        look::setTextColour(&Text1, look::black);
    remembered_ = search;
}
