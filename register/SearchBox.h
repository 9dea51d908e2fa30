#pragma once
// The place-of-birth search box: completes municipality names from the
// register as the user types, and steps through them with the arrow and page
// keys. It watches the name box's keys and writes the province box and the
// hidden code box; the window that holds the boxes owns it.

#include "ComuniStore.h"
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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Text1_KeyDown(int KeyCode);
    void Text1_KeyUp();
    void showRecord(qsizetype keep);
    void selectAfter(qsizetype keep);
    void showMessage(const QString& text);

    // The boxes under their names on the window.
    QLineEdit& Text1;
    QLineEdit& Text2;
    QLineEdit& Text3;
    platform::Services& services_;
    std::unique_ptr<registro::Recordset> rsComuni;
    // The search text of the last run.
    QString remembered_;
};
