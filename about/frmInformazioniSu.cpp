#include "frmInformazioniSu.h"

#include "Accessibility.h"
#include "ClickLabel.h"
#include "Copyright.h"
#include "Look.h"
#include "Module1.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>

using look::twips;

namespace {

const QColor kRed{255, 0, 0};
const QColor kPink{255, 128, 128};
const QColor kMagenta{255, 0, 255};
const QColor kYellow{255, 255, 0};
const QColor kGrey{128, 128, 128};

// A label on the window: opaque light green, as large as its text unless
// told otherwise.
QLabel* label(QLabel* created, const char* name, const QRect& rect, const QFont& font, const QColor& colour)
{
    look::place(created, name, rect);
    created->setFont(font);
    created->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    look::setBackground(created, look::lightGreen);
    look::setTextColour(created, colour);
    return created;
}

// Sets the text and grows or shrinks the label around it, keeping its corner.
void setCaption(QLabel* target, const QString& text)
{
    target->setText(text);
    target->resize(target->sizeHint());
}

QFont regular() { return look::sansSerif(8.25); }

} // namespace

frmInformazioniSu::frmInformazioniSu(platform::Services& services)
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                           | Qt::WindowCloseButtonHint),
      services_(services)
{
    accessibility::presentWindow(staticMetaObject);
    setObjectName(QStringLiteral("frmInformazioniSu"));
    setWindowIcon(QIcon(QStringLiteral(":/icona.png")));
    setFont(look::font(QStringLiteral("Verdana"), 8.25));
    setFixedSize(look::px(4890), look::px(2460));
    look::setBackground(this, look::lightGreen);

    // Where it was designed to open, counted from the screen's corner; moving
    // it before the first show also keeps the dialog from centring itself.
    QPoint corner;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        corner = screen->geometry().topLeft();
    move(corner + QPoint(look::px(1590), look::px(1410)));

    lines_ = {
        {0, QPoint(look::px(120), look::px(1800)), QPoint(look::px(4792), look::px(1800)), Qt::white, 2},
        {1, QPoint(look::px(120), look::px(1800)), QPoint(look::px(4792), look::px(1800)), kGrey, 1},
    };

    buildControls();
    Form_Load();
    cmdOK->setFocus(Qt::OtherFocusReason);
}

void frmInformazioniSu::buildControls()
{
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(twips(240, 120, 765, 825));
    Image1->setPixmap(look::picture(QStringLiteral(":/informazioni.gif"), QStringLiteral(":/informazioni@2x.png"),
                                    devicePixelRatioF()));
    Image1->setScaledContents(true);

    lblTitle = label(new QLabel(this), "lblTitle", twips(1320, 120, 2025, 240), look::sansSerif(9.75, true), kRed);
    lblVersion = label(new QLabel(this), "lblVersion", twips(1320, 435, 645, 195), look::sansSerif(8.25, true), kPink);

    Label1 = label(new QLabel(this), "Label1", twips(3000, 360, 1605, 300), look::sansSerif(12, true, true), kMagenta);
    // White, so the word stands out from the green; a desktop's dark window
    // background would leave the magenta on black.
    look::setBackground(Label1, Qt::white);
    setCaption(Label1, QStringLiteral("- Freeware -"));

    lblCopyRightBy = label(new QLabel(this), "lblCopyRightBy", twips(1080, 764, 1545, 195), regular(), look::navy);

    Label2 = label(new QLabel(this), "Label2", twips(180, 1145, 1155, 195), regular(), look::navy);
    setCaption(Label2, QStringLiteral("Per informazioni:"));

    lblIndirizzo = static_cast<ClickLabel*>(
        label(new ClickLabel(this), "lblIndirizzo", twips(1440, 1145, 2145, 195), regular(), look::blue));
    lblIndirizzo->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblIndirizzo->setCursor(Qt::PointingHandCursor);
    lblIndirizzo->setToolTip(QStringLiteral("Scrivi a Brenvald"));
    setCaption(lblIndirizzo, QStringLiteral("brenvald@cf.tarvolin.example"));

    Label4 = label(new QLabel(this), "Label4", twips(180, 1440, 1320, 195), regular(), look::navy);
    setCaption(Label4, QStringLiteral("Per aggiornamenti:"));

    Label5 = static_cast<ClickLabel*>(
        label(new ClickLabel(this), "Label5", twips(1680, 1440, 1815, 195), regular(), look::blue));
    Label5->setCursor(Qt::PointingHandCursor);
    Label5->setToolTip(QStringLiteral("Fai clic per visitare il sito"));
    setCaption(Label5, QStringLiteral("http://cf.tarvolin.example"));

    // The links are named by their tooltips; the captions beside them label them.
    Label2->setBuddy(lblIndirizzo);
    Label4->setBuddy(Label5);

    // Fixed size: the credits wrap nowhere, they come as two lines.
    lblDisclaimer = label(new QLabel(this), "lblDisclaimer", twips(120, 1845, 3495, 585), regular(), look::navy);

    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips(3720, 1970, 1020, 345));
    cmdOK->setFont(look::sansSerif(8.25, true));
    look::setBackground(cmdOK, kYellow);
    look::setTextColour(cmdOK, look::black);
    // Enter presses it as the default button, Esc as the cancel button
    // (keyPressEvent); nothing else here takes the focus.
    cmdOK->setAutoDefault(true);
    cmdOK->setDefault(true);
    cmdOK->setFocusPolicy(Qt::StrongFocus);

    connect(cmdOK, &QPushButton::clicked, this, &frmInformazioniSu::cmdOK_Click);
    connect(Label5, &ClickLabel::clicked, this, &frmInformazioniSu::Label5_Click);
    connect(lblIndirizzo, &ClickLabel::clicked, this, &frmInformazioniSu::lblIndirizzo_Click);
}

QStringList frmInformazioniSu::creditLines()
{
    return {QStringLiteral("    Thanks to  Chiara Bellandi, Paolo Ruggeri,"),
            QStringLiteral("Elena Marchetti e Davide Corsini.")};
}

void frmInformazioniSu::Form_Load()
{
    const platform::AppInfo& app = services_.app;
    const QDate today = services_.clock.today();
    setWindowTitle(QStringLiteral(" Informazioni su ") + app.title);
    setCaption(lblVersion, QStringLiteral("Vers. ") + app.versionText());
    setCaption(lblTitle, app.title);
    const QStringList credits = creditLines();
    lblDisclaimer->setText(credits[0] + QStringLiteral("\r\n") + credits[1]);
    setCaption(lblCopyRightBy, copyrightLine(today));
}

void frmInformazioniSu::cmdOK_Click() { close(); }

void frmInformazioniSu::Label5_Click() { Module1::ApriCollegamento(*this, Label5->text(), services_.shell); }

void frmInformazioniSu::lblIndirizzo_Click()
{
    Module1::ApriCollegamento(*this, Module1::CollegamentoPosta(lblIndirizzo->text(), services_.app), services_.shell);
}

void frmInformazioniSu::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    for (const Line& line : lines_) {
        // Horizontal lines, `width` pixels downwards from their row.
        painter.fillRect(QRect(line.from.x(), line.from.y(), line.to.x() - line.from.x(), line.width), line.colour);
    }
}

void frmInformazioniSu::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}
