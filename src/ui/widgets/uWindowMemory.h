#pragma once

#include <optional>

#include <QRect>
#include <QSize>

class QMainWindow;
class QSettings;
class QString;
class TPageList;

// What the window looked like when it was closed, kept in the "Window" group of the settings
// file beside the program's own keys: its place and size, whether it was maximised, and per
// list its column widths, the columns the user hid and the sort. Values that are missing or
// malformed are ignored: a first start keeps the window's own size, centred.

void SaveWindowGeometry(QSettings& settings, const QMainWindow& window);
// The size of a window opened for the first time on a screen whose free area is `available`:
// a comfortable one, at most 80 % of the area and at least `smallest`, unless the area
// itself is smaller (a small screen, or a large scale factor): the window then fits it.
QSize FirstRunSize(const QSize& available, const QSize& smallest);
// The window's own rectangle `window` moved and shrunk as little as needed for its frame
// (`titleBar` pixels above it) to lie within the free area `area`: a place saved at another
// scale or on a larger screen keeps as much of itself as fits.
QRect FitIntoArea(const QRect& window, const QRect& area, int titleBar);
// Puts the window where it was, as far as it fits the screen it opens on (its title bar, of
// `titleBar` pixels, included); a place that no screen shows any more gives the window's own
// size, centred on the primary screen. Before the window is shown.
void RestoreWindowGeometry(const QSettings& settings, QMainWindow& window, int titleBar);

void SaveListLayout(QSettings& settings, const TPageList& list);
void RestoreListLayout(const QSettings& settings, TPageList& list);

// The window's pages. The settings and the second-start door name them by number, 1 to 3.
enum class TPageId { Searches, Downloads, PlayList };
inline constexpr int kPageCount = 3;
int PageNumber(TPageId page);
// The page of a number; none for a number that names no page.
std::optional<TPageId> PageOfNumber(int number);

// The page shown; none when none is stored.
void SavePage(QSettings& settings, TPageId page);
std::optional<TPageId> RestoredPage(const QSettings& settings);
