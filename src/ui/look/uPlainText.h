#pragma once

#include <memory>
#include <string_view>

#include <QMessageBox>
#include <QString>

class QLabel;
class QWidget;

// Text that reaches the window from outside the program (a site's page, the maker's server,
// a file name, a data file, the settings) is shown as it stands, never as markup. Tool tips,
// labels and message boxes guess rich text from anything that looks like a tag, and rich text
// loads the pictures it names from any local path: a title "<img src=/dev/zero>" would make
// the GUI thread read that file until memory runs out. Every such text goes through here.

// Bytes from the web or the file system as the lists show them: UTF-8 where they are
// valid UTF-8, Latin-1 otherwise, so that every name shows as something readable.
QString ShownText(std::string_view bytes);

// A tool tip that shows `text` itself: escaped into markup, so that nothing in it is read as a
// tag.
QString PlainToolTip(const QString& text);

// A label that shows its text as plain text, whatever it holds.
QLabel* MakePlainLabel(const QString& text, QWidget* parent);

// A message box titled "Orvalo" with `icon`, `text` as plain text and `buttons`.
std::unique_ptr<QMessageBox> MakeMessageBox(QMessageBox::Icon icon, const QString& text,
                                            QMessageBox::StandardButtons buttons,
                                            QWidget* parent = nullptr);
