#pragma once
// The About window: the program's title, version, copyright, credits and the
// two links, opened by a click on the main window's title picture.

#include "Services.h"

#include <QColor>
#include <QDialog>
#include <QList>
#include <QPoint>
#include <QStringList>

class ClickLabel;
class QLabel;
class QPushButton;

class frmInformazioniSu : public QDialog {
    Q_OBJECT
public:
    // A top-level window of its own, without owner. Closing it only hides
    // it; showAboutWindow() decides when it goes.
    explicit frmInformazioniSu(platform::Services& services);

    // The etched separator: index 0 (white, 2 px) drawn first, index 1 (grey,
    // 1 px) over it. Pixels; `to` is the end point, not drawn.
    struct Line {
        int index;
        QPoint from;
        QPoint to;
        QColor colour;
        int width;
    };
    const QList<Line>& lines() const { return lines_; }

    // The two credit lines shown under the separator.
    static QStringList creditLines();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();

    // Controls, under their designed names.
    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVersion;
    QLabel* Label1;
    QLabel* lblCopyRightBy;
    QLabel* Label2;
    ClickLabel* lblIndirizzo;
    QLabel* Label4;
    ClickLabel* Label5;
    QLabel* lblDisclaimer;
    QPushButton* cmdOK;

    // Handlers.
    void Form_Load();
    void cmdOK_Click();
    void Label5_Click();
    void lblIndirizzo_Click();

    platform::Services& services_;
    QList<Line> lines_;
};
