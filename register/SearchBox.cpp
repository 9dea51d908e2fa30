#include "SearchBox.h"

#include "Look.h"
#include "PlaceChoice.h"
#include "RegisterSql.h"
#include "Text.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QValidator>

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

// How many characters at the start of `name` fold to `foldedText`; -1 when
// the name does not begin with it. One character folds to one in all but
// rare cases (ß to SS, a letter typed with a separate combining accent).
qsizetype foldedPrefixLength(const QString& name, const QString& foldedText)
{
    if (!registro::foldKey(name).startsWith(foldedText))
        return -1;
    qsizetype k = std::min(name.size(), foldedText.size());
    if (registro::foldKey(name.left(k)) != foldedText) {
        k = 0;
        while (k < name.size() && registro::foldKey(name.left(k)).size() < foldedText.size())
            ++k;
    }
    // Never between a letter and its accent, nor before the apostrophe that
    // stands for one (VO' typed as VO).
    while (k < name.size() && (name[k].isMark() || registro::foldKey(name.left(k + 1)) == foldedText))
        ++k;
    return k;
}

// Whether the name, as far as the text goes, is spelled as typed: accents
// count when the text has any.
bool spelledAsTyped(const QString& name, const QString& spelling)
{
    return !platform::hasAccent(spelling) || platform::spellingKey(name).startsWith(spelling);
}

// How far a key release looks past the first name for one spelled with the
// accent typed (PATERNÒ after PATERNO): names alike but for accents are few.
constexpr int kSpellingLookAhead = 16;

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

// The current record into the boxes: its whole name, the caret after its
// first `keep` characters and the rest selected; the province, its
// description as the province box's tooltip, and the code.
void SearchBox::showRecord(qsizetype keep)
{
    using namespace registro::sql;
    const registro::Record record{rsComuni->field(kName),
                                  rsComuni->field(kProvince),
                                  rsComuni->field(kCode),
                                  registro::dateFromField(rsComuni->field(kFirst)),
                                  registro::dateFromField(rsComuni->field(kLast)),
                                  registro::periodsFromField(rsComuni->field(kPeriods))};
    showName(record.name);
    selectAfter(keep);
    Text2.setText(record.province);
    Text2.setToolTip(registro::describePlace(record));
    Text3.setText(record.code);
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
// the first one spelled with the accents typed, if one is near; else leaves
// it where it was.
void SearchBox::preferSpelling(const QString& search, const QString& folded)
{
    using registro::sql::kName;
    const QString spelling = platform::spellingKey(search);
    if (spelledAsTyped(rsComuni->field(kName), spelling))
        return;
    for (int step = 0; step < kSpellingLookAhead; ++step) {
        rsComuni->moveNext();
        if (rsComuni->eof() || !registro::foldKey(rsComuni->field(kName)).startsWith(folded))
            break;
        if (spelledAsTyped(rsComuni->field(kName), spelling))
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
    try {
        if (!rsComuni)
            throw notOpen();
        rsComuni->seek(search);
        if (!rsComuni->noMatch() && !rsComuni->eof()) {
            // Compared as the index compares: case, accents and separators
            // aside, so "forli" is a hit on FORLÌ.
            const QString folded = registro::foldKey(search);
            if (foldedPrefixLength(rsComuni->field(registro::sql::kName), folded) >= 0) {
                if (search.size() > remembered_.size()) {
                    preferSpelling(search, folded);
                    showRecord(foldedPrefixLength(rsComuni->field(registro::sql::kName), folded));
                }
            } else {
                if (look::textColour(&Text1) != look::darkRed)
                    showMessage(QStringLiteral("Comune non in elenco"));
                target = look::darkRed;
                Text2.setText(QStringLiteral("?"));
                Text2.setToolTip(QString());
                Text3.setText(QStringLiteral("?"));
            }
        }
        if (look::textColour(&Text1) != target)
            look::setTextColour(&Text1, target);
        remembered_ = search;
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
                showRecord(n);
        }
    } catch (const platform::Error&) {
        selectAfter(n);
    }
    if (look::textColour(&Text1) != look::black)
        look::setTextColour(&Text1, look::black);
    remembered_ = search;
}
