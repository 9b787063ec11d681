#pragma once

#include <QDialog>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>

class QLabel;
class QMenuBar;
class QPushButton;

namespace kestrix::gui {

// Control ids of the two logo captions, kept as the captions' object names.
inline constexpr int kLogoFirstId = 1004;
inline constexpr int kLogoSecondId = 1005;
// The id of a static control nobody refers to.
inline constexpr int kNoId = -1;

// What a dialog of the program looks like, fixed by its template.
struct DialogTemplate {
  QSize sizeInUnits;          // dialog units
  bool logoCaptions = true;   // "KESTRIX" and "HALVORN" in the top-left corner
  bool dragByBody = true;     // a press anywhere on the body moves the window
  QFont font;                 // the template font; the dialog units follow from it
  bool captionBar = false;    // a caption bar and a sizing border instead of the borderless body
};

// Converts dialog units to pixels from a font's average character width and
// height, the way dialog templates are laid out.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);
  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;
  QSize Size(QSize units) const;

 private:
  int baseX;
  int baseY;
};

// The base of every dialog: dark, borderless unless its template has a
// caption bar, with the logo captions, the body drag and the layout in dialog units.
class DialogBase : public QDialog {
  Q_OBJECT
 public:
  DialogBase(QWidget* parent, const DialogTemplate& layout);

  // Places a child control at a rectangle given in dialog units, below the menu bar if any.
  void Place(QWidget* control, int x, int y, int width, int height) const;
  // A push button named after its command id, placed in dialog units.
  QPushButton* AddButton(int id, const QString& text, int x, int y, int width, int height);
  // A static text, named after its id unless that is kNoId, placed in dialog units.
  QLabel* AddLabel(int id, const QString& text, int x, int y, int width, int height);
  // Shows the window and draws it at once, for callers that keep the thread
  // busy afterwards (a splash before a pause, progress during a request).
  void ShowAndPaint();
  // Puts `bar` above the body: the window grows by the bar's height and the
  // body keeps its layout below it, as a template's menu does.
  void SetMenuBar(QMenuBar* bar);
  const DialogUnits& Units() const { return units; }
  // The caption with control id 1004 or 1005; null without logo captions.
  QLabel* LogoCaption(int id) const;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  DialogUnits units;
  bool dragByBody;
  bool captionBar;
  int bodyTop = 0;
  bool dragging = false;
  QPoint dragOffset;
};

}  // namespace kestrix::gui
