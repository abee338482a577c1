#pragma once
#include <QComboBox>
#include <QElapsedTimer>
#include <QDateEdit>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QValidator>

// Controls of the main window that behave in their own way.
namespace pelorin {

// A spin edit for the soap layers and rows: what is typed counts as typed (a text that is no number
// counts as 1) until the focus leaves, which brings the value into 1..6; the arrows stay in 1..6.
class SpinEdit : public QSpinBox
{
public:
    explicit SpinEdit(QWidget* parent = nullptr);

protected:
    QValidator::State validate(QString& input, int& pos) const override;
    int valueFromText(const QString& text) const override;
    void stepBy(int steps) override;
    StepEnabled stepEnabled() const override;
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

// The mass in grams: digits only, so that the field always holds a whole number (an empty field
// counts as 0 while the operator types); Backspace and Delete work as everywhere.
class MassValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

// A date picker showing the long date of the regional settings, wide enough for the longest one. While
// it has the focus the weekday is left out, since a weekday that no longer matches the date would make
// Qt refuse every date typed digit by digit on the way (day "2" then "29", year "2" then "2007").
class DatePicker : public QDateEdit
{
public:
    explicit DatePicker(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

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
};

// Turns letters to upper case as they are typed (or pasted).
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace pelorin
