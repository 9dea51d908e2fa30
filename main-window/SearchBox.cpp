#include "SearchBox.h"

#include "Abbreviations.h"
#include "Completion.h"
#include "Look.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"
#include "Text.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>
#include <optional>

namespace {

enum KeyCode { PageUp = 33, PageDown = 34, End = 35, Home = 36, Left = 37, Up = 38, Right = 39, Down = 40 };

// The key code the handlers know: the scrolling keys by their classic
// numbers; letters and digits as their upper-case character; any other key
// none, since Qt's codes for ( & ! " are the classic ones of Down, Up, Page Up
// and Page Down, and typing them must not step.
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
        default: {
            const int key = event->key();
            return (key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z) ? key : 0;
        }
    }
}

// Keys that type nothing on their own: releasing one of them alone is no
// reason to look the text up again.
bool isModifier(int key)
{
    switch (key) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock: return true;
        default: return false;
    }
}

// The text a key press types into the box: none for a shortcut (Ctrl+V,
// Ctrl+A), whatever text it carries; Ctrl with Alt is AltGr on some desktops.
QString typedBy(const QKeyEvent* key)
{
    const Qt::KeyboardModifiers mods = key->modifiers();
    if ((mods & (Qt::ControlModifier | Qt::MetaModifier)) && !(mods & Qt::AltModifier))
        return {};
    return key->text();
}

// SQLite's "database is locked": another program holds the file.
constexpr int kBusy = 5;

// What reading an unset cursor gives: the register never opened.
platform::Error notOpen()
{
    return platform::Error(91, QStringLiteral("Variabile oggetto o variabile del blocco With non impostata"));
}

// Room for new characters beside `kept` ones, in place of `removed` ones:
// up to the limit; a longer name shown by the box may have characters
// replaced, but never grows.
qsizetype roomFor(qsizetype kept, qsizetype removed, int limit) { return kept <= limit ? limit - kept : removed; }

} // namespace

// Holds the name box to its limit whatever brings text into it: pasted with
// the keys or the menu, dropped, or typed. Every change passes here before
// the box shows it; the box's own maximum length has already cut a huge
// paste to a few dozen characters.
class SearchBox::Limit : public QValidator {
public:
    Limit(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    // The box is about to show this name itself: let it through whole, now
    // and when undoing an edit brings it back.
    void expect(const QString& name) { before_ = shown_ = name; }

    State validate(QString& text, int& pos) const override
    {
        if (text == shown_) {
            before_ = text;
            return Acceptable;
        }
        const qsizetype shorter = std::min(text.size(), before_.size());
        qsizetype head = 0, tail = 0;
        while (head < shorter && text[head] == before_[head])
            ++head;
        while (tail < shorter - head && text[text.size() - 1 - tail] == before_[before_.size() - 1 - tail])
            ++tail;
        const qsizetype kept = head + tail;
        const qsizetype room = roomFor(kept, before_.size() - kept, limit_);
        if (text.size() - kept > room) {
            text.remove(head + room, text.size() - kept - room);
            pos = int(head + room);
        }
        before_ = text;
        return Acceptable;
    }

private:
    int limit_;
    mutable QString before_; // what the box held before this change
    QString shown_; // the name the box last showed itself
};

SearchBox::SearchBox(QLineEdit& nameBox, QLineEdit& provinceBox, QLineEdit& codeBox, platform::Services& services)
    : Text1(nameBox), Text2(provinceBox), Text3(codeBox), services_(services), typingLimit_(nameBox.maxLength()),
      limit_(new Limit(typingLimit_, this))
{
    limit_->expect(Text1.text());
    Text1.setValidator(limit_);
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

// Whether typing this text would bring the box past its limit; a box
// already longer (a long name shown) may not grow either.
bool SearchBox::typingOverflows(const QString& typed) const
{
    if (typed.isEmpty() || !typed.front().isPrint())
        return false; // Backspace, Return, Ctrl+letter: nothing is typed
    const qsizetype selected = Text1.selectedText().size();
    return typed.size() > roomFor(Text1.text().size() - selected, selected, typingLimit_);
}

// A name of the register into the box, whole, however long it is; the box
// takes no more than that from the user.
void SearchBox::showName(const QString& name)
{
    const int length = std::max(typingLimit_, int(name.size()));
    if (length > Text1.maxLength())
        Text1.setMaxLength(length);
    limit_->expect(name);
    Text1.setText(name);
    if (length < Text1.maxLength())
        Text1.setMaxLength(length); // as long as the name: nothing is cut
}

bool SearchBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != &Text1)
        return false;
    switch (event->type()) {
        case QEvent::KeyPress: {
            // The press reaches the handler before the box handles the key,
            // and then goes on to the box unless it would type past the limit.
            const auto* key = static_cast<QKeyEvent*>(event);
            pressedHere_ = true;
            // Esc is the field's while a completion shows; the window's after.
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier && dropCompletion())
                return true;
            Text1_KeyDown(keyCodeOf(key));
            return typingOverflows(typedBy(key));
        }
        case QEvent::InputMethod: {
            // Text composed by an input method (an accent typed with a dead
            // key) arrives without a key press of its own.
            pressedHere_ = true;
            return typingOverflows(static_cast<QInputMethodEvent*>(event)->commitString());
        }
        case QEvent::FocusOut: pressedHere_ = false; return false;
        case QEvent::KeyRelease: {
            // A held key repeats presses; its repeated releases are not real
            // releases. A modifier released alone types nothing (Shift let go
            // before the letter it capitalised would otherwise accept the
            // completion). A release whose press went elsewhere is not the
            // user's typing here.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && !isModifier(key->key()) && pressedHere_)
                Text1_KeyUp();
            return false;
        }
        default: return false;
    }
}

// Caret after the first `keep` characters of the box, the rest selected.
void SearchBox::selectAfter(qsizetype keep)
{
    const int length = static_cast<int>(Text1.text().size());
    const int start = static_cast<int>(std::min<qsizetype>(keep, length));
    Text1.setSelection(start, length - start);
}

// The current record into the boxes: its whole name, the caret after the part
// the search text stands for and the rest selected; the province, its
// description as the province box's tooltip, and the code.
QString SearchBox::showRecord(const QString& search)
{
    using namespace registro::sql;
    const registro::Record record{rsComuni->field(kName),
                                  rsComuni->field(kProvince),
                                  rsComuni->field(kCode),
                                  registro::dateFromField(rsComuni->field(kFirst)),
                                  registro::dateFromField(rsComuni->field(kLast)),
                                  registro::periodsFromField(rsComuni->field(kPeriods))};
    // A step may land on a name the text does not begin: the caret then goes
    // after as many characters as were typed.
    const searchbox::Completion shown = registro::foldKey(record.name).startsWith(registro::foldKey(search))
                                            ? searchbox::completionOf(record.name, search)
                                            : searchbox::Completion{record.name, search.size()};
    showName(shown.text);
    selectAfter(shown.start);
    completion_ = Text1.hasSelectedText() ? Text1.selectionStart() : -1;
    Text2.setText(record.province);
    Text2.setToolTip(registro::describePlace(record));
    Text3.setText(record.code);
    return platform::trimBlanks(
        Text1.text().left(Text1.selectionStart() >= 0 ? Text1.selectionStart() : Text1.text().size()));
}

// Esc takes a completion still shown away, the typed part staying; true when
// there was one.
bool SearchBox::dropCompletion()
{
    const bool shown = completion_ >= 0 && Text1.hasSelectedText() && Text1.selectionStart() == completion_
                       && Text1.selectionEnd() == Text1.text().size();
    completion_ = -1;
    if (!shown)
        return false;
    Text1.del();
    // The text left is what was typed: the key's release completes nothing.
    remembered_ = platform::trimBlanks(Text1.text());
    return true;
}

void SearchBox::showPlace(const registro::Record& place)
{
    if (Text1.text() != place.name)
        showName(place.name);
    Text2.setText(place.province);
    Text2.setToolTip(registro::describePlace(place));
    Text3.setText(place.code);
    if (look::textColour(&Text1) != look::black)
        look::setTextColour(&Text1, look::black);
}

// With the cursor on the first name that begins with the text, moves it to
// the first one spelled with the accents typed, if any; else leaves it where
// it was.
void SearchBox::preferSpelling(const QString& search, const QString& folded)
{
    using registro::sql::kName;
    const QString spelling = platform::spellingKey(search);
    if (searchbox::spelledAsTyped(rsComuni->field(kName), spelling))
        return;
    // Over every name the text begins: "pè" must reach PÈRGINE past the
    // hundreds of PE names before it, or the accent typed would be lost.
    for (;;) {
        rsComuni->moveNext();
        if (rsComuni->eof() || !registro::foldKey(rsComuni->field(kName)).startsWith(folded))
            break;
        if (searchbox::spelledAsTyped(rsComuni->field(kName), spelling))
            return;
    }
    rsComuni->seek(search);
}

void SearchBox::Text1_KeyUp()
{
    QColor target = look::black;
    const QString search = platform::trimBlanks(Text1.text());
    if (search.isEmpty()) {
        remembered_.clear();
        return;
    }
    std::optional<QString> completedPart;
    try {
        if (!rsComuni)
            throw notOpen();
        rsComuni->seek(search);
        if (!rsComuni->noMatch() && !rsComuni->eof()) {
            // Compared as the index compares: case, accents and separators
            // aside, so "forli" is a hit on FORLÌ.
            const QString folded = registro::foldKey(search);
            if (registro::foldKey(rsComuni->field(registro::sql::kName)).startsWith(folded)) {
                if (search.size() > remembered_.size()) {
                    preferSpelling(search, folded);
                    // What the name keeps of the text stands for what was
                    // typed: a blank typed after SAO TOME' E, shown for "sao
                    // tome e", does not make the text grow.
                    completedPart = showRecord(search);
                }
            } else if (!beginsAbbreviatedName(search)) {
                if (look::textColour(&Text1) != look::darkRed)
                    showMessage(registro::notInRegisterMessage());
                target = look::darkRed;
                Text2.setText(QStringLiteral("?"));
                Text2.setToolTip(QString());
                Text3.setText(QStringLiteral("?"));
            }
        }
        if (look::textColour(&Text1) != target)
            look::setTextColour(&Text1, target);
        remembered_ = completedPart.value_or(search);
        waitForLocks(true);
    } catch (const platform::Error& error) {
        // A register another program keeps locked is said once, not at
        // every key; nor does each key wait for it again.
        if (error.number == kBusy && lockReported_)
            return;
        if (error.number == kBusy)
            waitForLocks(false);
        showMessage(QStringLiteral("DulMsg: ") + QString::number(error.number) + u' ' + error.description);
    }
}

// Whether the text, its abbreviations read in full (S. GIOVANNI, SANKT
// LORENZEN), begins a name: no miss then, and the text stays as typed for
// Elabora to read.
bool SearchBox::beginsAbbreviatedName(const QString& search)
{
    for (const QString& reading : registro::abbreviationReadingsWhileTyping(search)) {
        rsComuni->seek(reading);
        if (!rsComuni->noMatch() && !rsComuni->eof()
            && registro::foldKey(rsComuni->field(registro::sql::kName)).startsWith(registro::foldKey(reading)))
            return true;
    }
    return false;
}

// After a lock was reported, look-ups fail at once until one succeeds.
void SearchBox::waitForLocks(bool wait)
{
    if (lockReported_ == !wait)
        return;
    lockReported_ = !wait;
    if (rsComuni)
        rsComuni->setBusyTimeout(wait ? registro::kBusyTimeout : 0);
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
                showRecord(search);
        }
    } catch (const platform::Error&) {
        selectAfter(n);
    }
    if (look::textColour(&Text1) != look::black)
        look::setTextColour(&Text1, look::black);
    remembered_ = search;
}
