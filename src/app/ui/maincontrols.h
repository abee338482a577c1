#pragma once
#include <QComboBox>
#include <QElapsedTimer>
#include <QDateEdit>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QValidator>
#include <functional>

// Controls of the main window that behave in their own way.
namespace pelorin {

// Tells the operator, beside `field`, why what was just typed or pasted there was not taken.
using RefusalNotice = std::function<void(QWidget* field, const QString& why)>;

// A spin edit for the soap layers and rows: one digit from 1 to 6, so that the packaging field keeps
// its two characters even while the operator types; anything else is refused as typed and said. A
// field emptied while the operator corrects it counts as 1 until the focus leaves.
class SpinEdit : public QSpinBox
{
public:
    explicit SpinEdit(QWidget* parent = nullptr);
    void setRefusalNotice(RefusalNotice notice) { m_notice = std::move(notice); }
    static QString refusalMessage();

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;

private:
    RefusalNotice m_notice;
};

// The RAL colour list: each row a swatch and its RAL number, 16 pixels high, the closed box drawn
// like the selected row. Digits typed in a row, closed or open, go to the first colour whose number
// starts with them ("5015", or "50" for the first 50xx), as the other lists complete names.
class RalComboBox : public QComboBox
{
public:
    explicit RalComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The row the digits typed so far lead to, -1 when none: a pause longer than the keyboard's
    // search interval starts a new number.
    int typedRow(const QString& digit);

    QString m_typed;
    QElapsedTimer m_sinceTyped;
};

class RalDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The mass in grams: at most three digits, no sign, no decimal, as the code's mass field holds them.
// Anything more is refused as typed or pasted, never cut, and the refusal is said beside the field; an
// empty field counts as 0 while the operator corrects it. Backspace and Delete work as everywhere.
class MassValidator : public QValidator
{
public:
    MassValidator(QWidget* field, RefusalNotice notice);
    State validate(QString& input, int& pos) const override;
    static QString refusalMessage();

private:
    QWidget* m_field;
    RefusalNotice m_notice;
};

// A date picker showing the long date of the regional settings, wide enough for the longest one. While
// it has the focus the weekday is left out, since a weekday that no longer matches the date would make
// Qt refuse every date typed digit by digit on the way (day "2" then "29", year "2" then "2007").
//
// Freshly focused, after Home or with its text all selected, a date may also be typed in digits, day
// first ("14/07/2025",
// "14.07.2025", "14 07 2025", "14072025"; base/typeddate.h): the picker shows what is typed and takes
// the date once its year is whole. A date that does not exist (31/02) or a text that is no date is
// refused in a message and the picker keeps its date; so is an unfinished one when the operator moves
// on, but for a day alone, which goes to the month and year shown, as the day section takes it.
class DatePicker : public QDateEdit
{
public:
    explicit DatePicker(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    // Commands added at the end of the picker's context menu (the main window's "Garder cette date").
    void addMenuAction(QAction* action) { m_menuActions << action; }

    // The long date format of `locale`, and the same without its weekday.
    static QString longFormat(const QLocale& locale);
    static QString typingFormat(const QLocale& locale);

protected:
    // A month typed by its first letters is completed as soon as they name one month only ("mar" is
    // "mars", "juil" is "juillet"); Qt would otherwise keep them as an unfinished text and go back to
    // the old month when the picker is left.
    QValidator::State validate(QString& input, int& pos) const override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // Tab moves between the picker's sections
    bool focusNextPrevChild(bool next) override;

private:
    bool typingDigits() const { return !m_typed.isEmpty(); }
    // Adds one typed character; takes the date when it is whole.
    void typeCharacter(QChar c);
    void showTyped();
    // Back to the text of the picker's date, dropping what was typed.
    void dropTyped();
    // The operator moves on while typing: returns whether the picker then holds what was typed.
    bool finishTyped();
    // Takes `date`, typed as `typed`, unless the picker cannot show it.
    void takeTypedDate(const QDate& date, const QString& typed);
    void refuseTyped(const QString& message);

    QList<QAction*> m_menuActions;
    QString m_typed;             // the date being typed, shown instead of the picker's date
    bool m_refused = false;      // what is shown was refused: more digits are not taken until corrected
    bool m_armed = false;        // freshly focused, after Home or Ctrl+A: a digit starts a typed date
    bool m_mouseFocused = false; // focused by the click being delivered, which leaves it armed
};

} // namespace pelorin
