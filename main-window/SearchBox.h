#pragma once
// The place-of-birth search box: completes municipality names from the
// register as the user types, and steps through them with the arrow and page
// keys. It watches the name box's keys and writes the province box (and its
// tooltip, which describes the record shown) and the hidden code box; the
// window that holds the boxes owns it.
//
// The name box's maximum length holds for whatever the user puts in (typed,
// pasted, dropped); only a completion or a step may show a longer stored
// name whole, and such a name may then be edited but not grow.

#include "ComuniStore.h"
#include "Record.h"
#include "Services.h"

#include <QObject>
#include <QString>
#include <memory>

class QLineEdit;

class SearchBox : public QObject {
    Q_OBJECT
public:
    SearchBox(QLineEdit& nameBox, QLineEdit& provinceBox, QLineEdit& codeBox, platform::Services& services);
    ~SearchBox() override;

    // The register cursor the box looks names up with. The window's open
    // sequence hands it over as soon as it is opened, before its index is
    // set, so a register left partly open is reported by the key handlers.
    void setCursor(std::unique_ptr<registro::Recordset> cursor);
    registro::Recordset* cursor() const { return rsComuni.get(); }
    // Closes the cursor if it is open; the box then reports each look-up.
    void closeCursor();
    // Shows this record as a completion would, without a look-up: the whole
    // name, its province and code, and its description as the province
    // box's tooltip; a miss shown before is cleared.
    void showPlace(const registro::Record& place);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Text1_KeyDown(int KeyCode);
    void Text1_KeyUp();
    void preferSpelling(const QString& search, const QString& folded);
    bool beginsAbbreviatedName(const QString& search);
    void waitForLocks(bool wait);
    // Returns the part of the name kept before the selection, blanks trimmed.
    QString showRecord(const QString& search);
    bool dropCompletion();
    void selectAfter(qsizetype keep);
    void showMessage(const QString& text);
    void showName(const QString& name);
    bool typingOverflows(const QString& typed) const;

    // The boxes under their names on the window.
    QLineEdit& Text1;
    QLineEdit& Text2;
    QLineEdit& Text3;
    platform::Services& services_;
    std::unique_ptr<registro::Recordset> rsComuni;
    // The search text of the last run.
    QString remembered_;
    // The most characters the user may bring the name box to.
    int typingLimit_;
    // Every change of the name box passes it; a child of this object.
    class Limit;
    Limit* limit_;
    // Whether a key was pressed (or text entered) in the name box since it
    // last lost the focus: a release without one belongs to a press made
    // elsewhere, such as the Return that closed a message box.
    bool pressedHere_ = false;
    // Where the completion last shown starts; -1 when none was shown since.
    qsizetype completion_ = -1;
    // A lock held by another program was reported, and not lifted since.
    bool lockReported_ = false;
};
