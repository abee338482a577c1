#include "app/ui/maincontrols.h"

#include "code/rallist.h"
#include "code/tracecode.h"

#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <climits>

namespace pelorin {

namespace {

ral::RowColours rowColours(const QPalette& palette)
{
    return {palette.color(QPalette::Base), palette.color(QPalette::Text), palette.color(QPalette::Highlight),
            palette.color(QPalette::HighlightedText)};
}

} // namespace

SpinEdit::SpinEdit(QWidget* parent) : QSpinBox(parent)
{
    // the range is wide so that a typed 10 stays 10 until the focus leaves; the edit brings it back
    setRange(-99999, 99999);
    setValue(kSpinMin);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QValidator::State SpinEdit::validate(QString& input, int&) const
{
    // digits and a sign, as a spin edit takes them; anything else never reaches the text
    for (int i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (!(c.isDigit() || (i == 0 && (c == u'-' || c == u'+'))))
            return QValidator::Invalid;
    }
    return input.size() <= 6 ? QValidator::Acceptable : QValidator::Invalid;
}

int SpinEdit::valueFromText(const QString& text) const
{
    return spinValue(text);
}

void SpinEdit::stepBy(int steps)
{
    setValue(clampSpin(spinValue(text()) + steps));
    selectAll();
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const
{
    const int v = spinValue(text());
    StepEnabled e = StepNone;
    if (v < kSpinMax)
        e |= StepUpEnabled;
    if (v > kSpinMin)
        e |= StepDownEnabled;
    return e;
}

RalComboBox::RalComboBox(QWidget* parent) : QComboBox(parent)
{
    setItemDelegate(new RalDelegate(this));
    for (int i = 0; i < ral::count(); ++i) {
        const QString entry = ral::entry(i);
        // the rows are drawn from the list itself, so the text is only what a screen reader says for
        // the box and its rows: the colour's number, not the entry's hexadecimal colour
        const QString spoken = QStringLiteral("RAL ") + ral::number(entry);
        addItem(spoken, entry);
        setItemData(i, spoken, Qt::AccessibleTextRole);
    }
    setFixedWidth(105);
    setMaxVisibleItems(16);
}

void RalComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    if (currentIndex() < 0)
        return;
    QRect field = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    // a row of the list's height, centred in the box
    field = QRect(field.left(), field.center().y() - ral::kRowHeight / 2 + 1, field.width(), ral::kRowHeight);
    ral::drawItem(p, field, currentIndex(), hasFocus(), rowColours(palette()), font());
}

void RalDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    painter->save();
    ral::drawItem(*painter, option.rect, index.row(), option.state & QStyle::State_Selected, rowColours(option.palette),
                  option.font);
    painter->restore();
}

QSize RalDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const
{
    return QSize(option.rect.width() > 0 ? option.rect.width() : 100, ral::kRowHeight);
}

QValidator::State UpperCaseValidator::validate(QString& input, int&) const
{
    input = input.toUpper();
    return QValidator::Acceptable;
}

} // namespace pelorin
