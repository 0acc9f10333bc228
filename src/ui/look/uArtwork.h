#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>

// The program's own pictures, by name: the file name under src/ui/look/artwork without ".svg"
// ("play-file", "status-found", "logo", ...). They are SVG, so they need Qt's SVG plugins
// at run time.

// A button or window icon. Where the desktop's icon theme has a standard icon that means the
// same and reads well (the folder), that one is used so the buttons match the desktop;
// otherwise, and whenever the theme lacks it, our own picture. An unknown name gives a null
// icon.
QIcon ArtworkIcon(const QString& name);

// A picture drawn from our own artwork alone, so that it looks the same on every desktop:
// the status pictures (41 x 15), the check mark, the logo. `size` is in device-independent
// pixels; the pixmap carries the screen's device pixel ratio. An unknown name gives a null
// pixmap.
QPixmap ArtworkPixmap(const QString& name, QSize size);

// `icon` at `size` with `count` in a badge at its lower right corner, in the palette's
// highlight colours; the icon itself for a count of 0.
QIcon WithCountBadge(const QIcon& icon, int count, QSize size);

class QAbstractButton;
class QAction;
class QToolButton;
class QWidget;

// A glyph-only button of `size` x `size` pixels: its hint is its tool tip and the name a
// screen reader says, its purpose what the reader says after the name.
QToolButton* MakeGlyphButton(const QString& name, const QString& hint, const QString& purpose, const QString& glyph,
                             int size,
                             QWidget* parent);

// Names a glyph-only button of a command for a screen reader: its hint (the tool tip) is the
// name, its "what's this" the description. A description left empty would repeat the tool tip.
void NameCommandButton(QAbstractButton* button, const QAction* command);
