#pragma once
// How the card opens the window that checks a fiscal code, and what the
// window may read of the card.

#include "Services.h"

#include <QDate>
#include <QString>
#include <functional>

class QWidget;

// The person on the card as it stands when the window asks.
struct CardPerson {
    QString code; // the card's result field, empty when none
    QString surname;
    QString name;
    QDate birthDate; // null unless the date field reads as a birth date
    QString sex; // "M" or "F"
    QString placeCode; // cadastral code of the place chosen on the card, empty when none
    QString placeText; // the place as typed on the card
};
using ReadCard = std::function<CardPerson()>;

// Shows the window on behalf of `card`, without making it modal and without
// an owner window: one instance per card, brought to the front when it is
// already open, loaded afresh (its code field holding the card's code) once
// it has been closed. It goes when `card` goes. `readCard` is called while
// the window lives, whenever it needs the card.
void showVerifyWindow(QWidget& card, platform::Services& services, ReadCard readCard);

// Deletes the card's window, if any. The card calls it first thing as it
// goes, while the controls the window reads through ReadCard still exist.
void dropVerifyWindow(QWidget& card);
