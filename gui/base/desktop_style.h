#pragma once

#include <QColor>
#include <QFont>

class QApplication;
class QWidget;

namespace kestrix::gui {

// The dark scheme every window of the program is drawn in.
inline const QColor kDarkColour(30, 30, 30);
inline const QColor kLightColour(200, 200, 200);
inline const QColor kLogoBlue(121, 212, 255);
// Values the pilot reads at a glance: flight results, versions, live readings.
inline const QColor kValueColour(231, 190, 67);

// Fusion style everywhere, and the free look-alikes of the program's fonts.
void ApplyDesktopStyle(QApplication& application);

// "Trebuchet MS" 8 point: the font of every dialog but the splash and the chat.
QFont TemplateFont();
// "MS Shell Dlg" 8 point: the splash screen's and the chat window's font.
QFont ShellDialogFont();
// Bold "Times New Roman", 16 logical units high, of the two logo captions.
QFont LogoFont();

// Dark background with light-grey static text; edits and lists dark on light grey.
void ApplyDarkScheme(QWidget& widget);
// Draws a static text in `colour` instead of the scheme's light grey.
void SetTextColour(QWidget& widget, const QColor& colour);

}  // namespace kestrix::gui
