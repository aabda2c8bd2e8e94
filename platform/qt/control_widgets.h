// Turns the rows of the dialog template into Qt widgets: the class that stands for each control
// class, its place, font, focus, alignment and read-only state.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>
#include <QWidget>
#include <string_view>

#include "res/dialog_template.h"

namespace kr55le::qt {

QString ToQString(std::string_view text);
QRect ToQRect(const dialog_template::PixelRect& rect);

// The template's "MS Sans Serif" 8 pt, as the nearest the system has: its own sans face at
// 8 pt, made smaller when its average character is wider than the template's dialog units allow.
QFont TemplateFont();
double AverageCharacterWidth(const QFont& font);

// A child of `parent` at the row's converted rectangle, shown or hidden and enabled or disabled
// as the row's styles say. Created in table order, the widgets take the table's tab order.
QWidget* CreateTemplateWidget(const dialog_template::TemplateControl& row, QWidget* parent);
// A run-time control at its pixel rectangle, in the parent's (the system's) font, no border.
QWidget* CreateRunTimeWidget(const dialog_template::RunTimeControl& row, QWidget* parent);

}  // namespace kr55le::qt
