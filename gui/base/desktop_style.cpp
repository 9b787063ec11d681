#include "gui/base/desktop_style.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QWidget>

namespace kestrix::gui {

namespace {

// Logical units of the program's templates at 96 dots per inch.
constexpr int kEightPointPixels = 11;
constexpr int kLogoPixels = 14;

}  // namespace

void ApplyDesktopStyle(QApplication& application) {
  application.setStyle(QStyleFactory::create("Fusion"));
  // Debian ships none of the program's fonts; these are the closest free ones.
  QFont::insertSubstitutions("Trebuchet MS", {"Open Sans", "DejaVu Sans"});
  QFont::insertSubstitutions("Times New Roman", {"Liberation Serif", "DejaVu Serif"});
  QFont::insertSubstitutions("MS Shell Dlg", {"Liberation Sans", "DejaVu Sans"});
  application.setFont(TemplateFont());
}

QFont TemplateFont() {
  QFont font("Trebuchet MS");
  font.setPixelSize(kEightPointPixels);
  return font;
}

QFont ShellDialogFont() {
  QFont font("MS Shell Dlg");
  font.setPixelSize(kEightPointPixels);
  return font;
}

QFont LogoFont() {
  QFont font("Times New Roman");
  font.setPixelSize(kLogoPixels);
  font.setBold(true);
  return font;
}

void ApplyDarkScheme(QWidget& widget) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::Window, kDarkColour);
  palette.setColor(QPalette::WindowText, kLightColour);
  palette.setColor(QPalette::Base, kLightColour);
  palette.setColor(QPalette::Text, kDarkColour);
  palette.setColor(QPalette::Button, QColor(225, 225, 225));
  palette.setColor(QPalette::ButtonText, QColor(0, 0, 0));
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
  widget.setPalette(palette);
  widget.setAutoFillBackground(true);
}

void SetTextColour(QWidget& widget, const QColor& colour) {
  QPalette palette = widget.palette();
  palette.setColor(QPalette::WindowText, colour);
  widget.setPalette(palette);
}

}  // namespace kestrix::gui
