// Both windows place their controls in twips, 1/1440 inch; 15 twips make
// one pixel at 96 dots per inch.
#pragma once

#include <QString>
#include <QWidget>

constexpr int Px(int twips) { return twips / 15; }

// Gives widget its name and puts it at left, top with width and height, all in twips.
template <typename W>
W* Place(W* widget, const char* name, int left, int top, int width, int height) {
  widget->setObjectName(QString::fromLatin1(name));
  widget->setGeometry(Px(left), Px(top), Px(width), Px(height));
  return widget;
}
