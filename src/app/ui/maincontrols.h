#pragma once
#include <QComboBox>
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
// like the selected row.
class RalComboBox : public QComboBox
{
public:
    explicit RalComboBox(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

class RalDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// Turns letters to upper case as they are typed (or pasted).
class UpperCaseValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};

} // namespace pelorin
