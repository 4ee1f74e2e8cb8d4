#pragma once
// Small builders for the controls every window makes the same way.

#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <initializer_list>

// Window sizes are designed in twips; 15 of them make a pixel on a 96 dpi
// screen.
constexpr int twipsToPixels(int twips) { return twips / 15; }

// A button with its object name, caption (with access key) and tool tip.
QPushButton *makeButton(QWidget *parent, const char *name, const QString &caption, const QString &toolTip = {});

// A label that names `buddy`, so that its access key and screen readers reach
// the box through it. The box takes the label's text as its accessible name.
QLabel *makeLabel(QWidget *parent, const char *name, const QString &text, QWidget *buddy = nullptr,
                  Qt::Alignment align = Qt::AlignRight | Qt::AlignVCenter);

// A text box with its object name.
QLineEdit *makeBox(QWidget *parent, const char *name, bool readOnly = false);

// Chains the widgets in this tab order.
void setTabChain(std::initializer_list<QWidget *> widgets);

// The bold type of the program's main windows.
void useMainWindowType(QWidget *w);

// Paints a widget's background in one colour.
void paintBackground(QWidget *w, const QColor &colour);
