#pragma once
// What the windows tell a screen reader (through Qt's accessibility and, on
// Linux, AT-SPI): each field named after its caption, links and the title
// picture by what they do, and only the controls the window shows.

#include <QMetaObject>

class QLabel;
class QWidget;

namespace accessibility {

// Windows of this class present themselves as a frame (a dialog for a
// QDialog) named by their title, with the controls they show: a control the
// design keeps hidden is not announced. Call before the window sends anything
// to assistive technology, first thing in its constructor.
void presentWindow(const QMetaObject& windowClass);

// `caption` labels `field`: the caption becomes its buddy, which gives the
// labelled-by relation, and its text without the trailing blanks the field's
// name. A caption without "&" gets no access key from this.
void labelField(QLabel* caption, QWidget* field);

} // namespace accessibility
