#pragma once
#include <QIcon>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStyle>
#include <QValidator>

class QAbstractButton;
class QLabel;
class QToolBar;
class QWidget;

// Small pieces every window uses.
namespace pelorin {

// An icon of the desktop's icon theme (freedesktop name), or the style's own standard icon when the
// theme has none, so that no tool button is ever blank. The style has no printer: "document-print"
// falls back to one drawn here rather than to a look-alike (a floppy disk reads as "save").
QIcon themeIcon(const QString& freedesktopName, QStyle::StandardPixmap fallback);

// Icons drawn here, dark and saturated on every desktop (the themes' own are pale enough to read as
// disabled), at every size up to 64 pixels so that they stay sharp at 200 % scaling: a barcode with
// the scanner's red line, and a sheet with a red "PDF" band.
QIcon barcodeScannerIcon();
QIcon pdfIcon();

// A caption above a field, the caption being the field's buddy (screen readers announce the field
// by it). Returns the container to put in a layout; the field keeps its objectName.
QWidget* labeled(QWidget* field, const QString& caption, QLabel** labelOut = nullptr);

// Every field of `window` whose caption label names it as buddy (a Designer form) and that has no
// accessible name of its own takes the caption, without its mnemonic, as the name screen readers
// announce.
void nameFieldsByTheirCaptions(QWidget* window);

// An icon-only tool button's hint: tooltip, status tip and accessible name at once.
void setHint(QWidget* control, const QString& hint);

// A window made without a parent and shown from another one is tied to it (the active window, or
// else the main window) before it shows: it opens over it, on its screen, and stays in front of it
// with a desktop's window manager, so a modal window never hides behind the window it blocks.
void tieToOpener(QWidget* window);

// Turns letters to upper case as they are typed (or pasted).
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// Says beside `field`, in a tip that shows at once, why what was just typed there was not taken; the
// desktop's bell rings with it, as for any refused key.
void showRefusal(QWidget* field, const QString& why);

// A tool bar too narrow for its buttons puts the rest behind a button of its own, which Qt leaves
// without a name; this gives it one (and the same words as its tooltip).
void nameOverflowButton(QToolBar* bar);

// A window's place and size (its frame's top left corner, its inside's size) fitted wholly onto the
// screen that shows most of it, or the nearest one when none does: shrunk to the screen, room kept for
// the frame, then moved inside it. A window saved on a monitor since removed, or at a size a screen at
// double scaling cannot hold, comes back whole into view; one that fits is kept as it is.
QRect fittedGeometry(const QRect& wanted, const QList<QRect>& screens);

// The room a window manager's frame takes around a window's inside: sides and bottom, and the title.
inline constexpr QSize kFrameAllowance{16, 40};

// A window about to be shown, larger than the available part of its screen, is shrunk to it (as far
// as its minimum size allows); where it lies is then the toolkit's to keep on the screen.
void shrinkToScreen(QWidget* window);

} // namespace pelorin
