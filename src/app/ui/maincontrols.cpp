#include "app/ui/maincontrols.h"

#include "code/rallist.h"
#include "code/tracecode.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QPainter>
#include <QRegularExpression>
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
    // the open list takes the same digits
    view()->installEventFilter(this);
}

int RalComboBox::typedRow(const QString& digit)
{
    if (!m_sinceTyped.isValid() || m_sinceTyped.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_sinceTyped.start();
    m_typed += digit;
    int row = ral::indexOfTypedNumber(m_typed);
    if (row < 0) {
        // a digit that leads nowhere starts a new number of its own
        m_typed = digit;
        row = ral::indexOfTypedNumber(m_typed);
    }
    return row;
}

namespace {

QString typedDigit(const QKeyEvent* event)
{
    const QString text = event->text();
    const bool plain = (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier)) == Qt::NoModifier;
    if (plain && text.size() == 1 && text.at(0) >= u'0' && text.at(0) <= u'9')
        return text;
    return QString();
}

} // namespace

void RalComboBox::keyPressEvent(QKeyEvent* event)
{
    const QString digit = typedDigit(event);
    if (digit.isEmpty()) {
        QComboBox::keyPressEvent(event);
        return;
    }
    const int row = typedRow(digit);
    if (row >= 0)
        setCurrentIndex(row);
    event->accept();
}

bool RalComboBox::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view() && event->type() == QEvent::KeyPress) {
        const QString digit = typedDigit(static_cast<QKeyEvent*>(event));
        if (!digit.isEmpty()) {
            const int row = typedRow(digit);
            if (row >= 0)
                view()->setCurrentIndex(model()->index(row, modelColumn(), rootModelIndex()));
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
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

QValidator::State MassValidator::validate(QString& input, int&) const
{
    for (const QChar c : input)
        if (c < u'0' || c > u'9')
            return QValidator::Invalid;
    return QValidator::Acceptable;
}

DatePicker::DatePicker(QWidget* parent) : QDateEdit(parent)
{
    setCalendarPopup(true);
    setMinimumDate(QDate(100, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    setDisplayFormat(longFormat(locale()));
}

QString DatePicker::longFormat(const QLocale& locale)
{
    return locale.dateFormat(QLocale::LongFormat);
}

QString DatePicker::typingFormat(const QLocale& locale)
{
    // the weekday section and the punctuation that follows it ("dddd, d MMMM yyyy", "dddd d. MMMM")
    QString format = longFormat(locale);
    format.remove(QRegularExpression(QStringLiteral("(?<!d)dddd?(?!d)[,.]?\\s*")));
    format = format.trimmed();
    while (format.endsWith(u','))
        format.chop(1);
    return format.isEmpty() ? locale.dateFormat(QLocale::ShortFormat) : format;
}

QSize DatePicker::sizeHint() const
{
    const QSize hint = QDateEdit::sizeHint();
    // Qt sizes the box for the first and last dates it admits; a long date of another month or
    // weekday may be wider, and is never to be cut off
    const QFontMetrics fm = fontMetrics();
    const QString format = longFormat(locale());
    const int measured = qMax(fm.horizontalAdvance(locale().toString(minimumDate(), displayFormat())),
                              fm.horizontalAdvance(locale().toString(maximumDate(), displayFormat())));
    int widest = 0;
    for (int month = 1; month <= 12; ++month)
        for (int day = 22; day <= 28; ++day) // every weekday
            widest = qMax(widest, fm.horizontalAdvance(locale().toString(QDate(2026, month, day), format)));
    return QSize(hint.width() + qMax(0, widest - measured) + fm.horizontalAdvance(u' '), hint.height());
}

QValidator::State DatePicker::validate(QString& input, int& pos) const
{
    const QValidator::State state = QDateEdit::validate(input, pos);
    if (state != QValidator::Intermediate)
        return state;
    static const QRegularExpression word(QStringLiteral("\\p{L}+"));
    QString completed = input;
    int cursor = pos;
    for (auto it = word.globalMatch(input); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const QString typed = m.captured();
        QString only;
        int matches = 0;
        for (int month = 1; month <= 12; ++month) {
            const QString name = locale().monthName(month, QLocale::LongFormat);
            if (name.compare(typed, Qt::CaseInsensitive) == 0) {
                matches = 0; // already a whole name
                break;
            }
            if (name.startsWith(typed, Qt::CaseInsensitive)) {
                only = name;
                ++matches;
            }
        }
        if (matches != 1)
            continue;
        const int shift = int(completed.size() - input.size());
        completed.replace(m.capturedStart() + shift, typed.size(), only);
        if (pos >= m.capturedStart() && pos <= m.capturedEnd())
            cursor = int(m.capturedStart() + shift + only.size());
    }
    if (completed == input)
        return state;
    int completedPos = cursor;
    if (QDateEdit::validate(completed, completedPos) != QValidator::Acceptable)
        return state;
    input = completed;
    pos = completedPos;
    return QValidator::Acceptable;
}

void DatePicker::focusInEvent(QFocusEvent* event)
{
    const QString typing = typingFormat(locale());
    if (displayFormat() != typing)
        setDisplayFormat(typing);
    QDateEdit::focusInEvent(event);
}

void DatePicker::focusOutEvent(QFocusEvent* event)
{
    QDateEdit::focusOutEvent(event);
    const QString shown = longFormat(locale());
    if (displayFormat() != shown)
        setDisplayFormat(shown);
}

QValidator::State UpperCaseValidator::validate(QString& input, int&) const
{
    input = input.toUpper();
    return QValidator::Acceptable;
}

} // namespace pelorin
