#include "app/ui/maincontrols.h"

#include "base/typeddate.h"
#include "base/ui/dialogs.h"
#include "code/rallist.h"
#include "code/tracecode.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QAbstractItemView>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <climits>
#include <memory>

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
    setRange(kSpinMin, kSpinMax);
    setValue(kSpinMin);
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

QString SpinEdit::refusalMessage()
{
    return QStringLiteral("Couches et rangs : un seul chiffre, de %1 à %2.").arg(kSpinMin).arg(kSpinMax);
}

QValidator::State SpinEdit::validate(QString& input, int&) const
{
    if (input.isEmpty())
        return QValidator::Intermediate;
    if (isSpinText(input))
        return QValidator::Acceptable;
    // only what the operator types or pastes is refused aloud
    if (m_notice && hasFocus())
        m_notice(const_cast<SpinEdit*>(this), refusalMessage());
    return QValidator::Invalid;
}

int SpinEdit::valueFromText(const QString& text) const
{
    return spinValue(text);
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

MassValidator::MassValidator(QWidget* field, RefusalNotice notice)
    : QValidator(field), m_field(field), m_notice(std::move(notice))
{
}

QString MassValidator::refusalMessage()
{
    return QStringLiteral("Masse en gr : %1 chiffres au plus, sans signe ni virgule.").arg(fieldWidth(CodeField::Mass));
}

QValidator::State MassValidator::validate(QString& input, int&) const
{
    if (isMassText(input))
        return QValidator::Acceptable;
    if (m_notice && m_field->hasFocus())
        m_notice(m_field, refusalMessage());
    return QValidator::Invalid;
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
    // a date being typed in digits is no text of the display format: Qt must neither read nor mend it
    if (typingDigits() && input == m_typed)
        return QValidator::Intermediate;
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
    m_armed = true;
    m_mouseFocused = event->reason() == Qt::MouseFocusReason;
}

void DatePicker::focusOutEvent(QFocusEvent* event)
{
    finishTyped();
    m_armed = false;
    QDateEdit::focusOutEvent(event);
    const QString shown = longFormat(locale());
    if (displayFormat() != shown)
        setDisplayFormat(shown);
}

void DatePicker::mousePressEvent(QMouseEvent* event)
{
    finishTyped();
    // the click that gave the focus leaves the picker armed; a later one picks a section to edit
    m_armed = m_armed && m_mouseFocused;
    m_mouseFocused = false;
    QDateEdit::mousePressEvent(event);
}

void DatePicker::wheelEvent(QWheelEvent* event)
{
    finishTyped();
    m_armed = false;
    QDateEdit::wheelEvent(event);
}

void DatePicker::contextMenuEvent(QContextMenuEvent* event)
{
    if (m_menuActions.isEmpty()) {
        QDateEdit::contextMenuEvent(event);
        return;
    }
    // the text commands of the field, then ours
    const std::unique_ptr<QMenu> menu(lineEdit()->createStandardContextMenu());
    menu->addSeparator();
    menu->addActions(m_menuActions);
    menu->exec(event->globalPos());
    event->accept();
}

bool DatePicker::focusNextPrevChild(bool next)
{
    // what is typed is finished before the next section is chosen
    finishTyped();
    m_armed = false;
    return QDateEdit::focusNextPrevChild(next);
}

void DatePicker::keyPressEvent(QKeyEvent* event)
{
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const QChar c = text.size() == 1 ? text.at(0) : QChar();
    const bool digit = plain && c >= u'0' && c <= u'9';
    const bool separator = plain && isDateSeparator(c);
    const int key = event->key();
    const bool modifierOnly = key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
                              key == Qt::Key_AltGr || key == Qt::Key_Meta || key == Qt::Key_CapsLock ||
                              key == Qt::Key_NumLock;
    if (modifierOnly) {
        QDateEdit::keyPressEvent(event);
        return;
    }

    if (typingDigits()) {
        if (digit || separator) {
            if (!m_refused)
                typeCharacter(c);
            event->accept();
            return;
        }
        if (key == Qt::Key_Backspace) {
            m_typed.chop(1);
            if (m_typed.isEmpty()) {
                dropTyped();
                m_armed = true;
            } else {
                const TypedDate::State state = readTypedDate(m_typed).state;
                m_refused = state == TypedDate::State::Impossible || state == TypedDate::State::Malformed;
                showTyped();
            }
            event->accept();
            return;
        }
        if (key == Qt::Key_Escape) {
            dropTyped();
            m_armed = true;
            event->accept();
            return;
        }
        if (key == Qt::Key_Home) {
            dropTyped();
        } else {
            const bool taken = finishTyped();
            // "29" then "mars": a day typed before the month's name, as the day section takes it
            if (taken && c.isLetter() && (displayedSections() & QDateTimeEdit::MonthSection))
                setSelectedSection(QDateTimeEdit::MonthSection);
        }
    } else if (digit && (m_armed || !hasFocus())) {
        m_refused = false;
        typeCharacter(c);
        event->accept();
        return;
    }

    m_armed = false;
    QDateEdit::keyPressEvent(event);
    // back at the start, or the whole text selected: what is typed next is a whole date
    if ((key == Qt::Key_Home && !(event->modifiers() & Qt::ShiftModifier)) || event->matches(QKeySequence::SelectAll))
        m_armed = true;
}

void DatePicker::typeCharacter(QChar c)
{
    const QString typed = m_typed + c;
    const TypedDate read = readTypedDate(typed);
    switch (read.state) {
    case TypedDate::State::Complete:
        takeTypedDate(read.date, typed);
        return;
    case TypedDate::State::Impossible:
    case TypedDate::State::Malformed:
        m_typed = typed;
        refuseTyped(read.message);
        return;
    case TypedDate::State::Empty:
    case TypedDate::State::Partial:
        break;
    }
    m_typed = typed;
    showTyped();
}

void DatePicker::showTyped()
{
    // Qt is kept out of it: its reading of the text would move the cursor between its sections
    const QSignalBlocker block(lineEdit());
    lineEdit()->setText(m_typed);
    lineEdit()->setCursorPosition(int(m_typed.size()));
}

void DatePicker::dropTyped()
{
    m_typed.clear();
    m_refused = false;
    const QString own = textFromDateTime(dateTime());
    if (lineEdit()->text() != own) {
        const QSignalBlocker block(lineEdit());
        lineEdit()->setText(own);
        lineEdit()->setCursorPosition(0);
    }
}

void DatePicker::refuseTyped(const QString& message)
{
    // what was typed stays in sight, for the operator to correct (Backspace) or drop (Escape); the
    // picker's date is untouched
    m_refused = true;
    showTyped();
    Dialogs::error(this, message);
}

void DatePicker::takeTypedDate(const QDate& date, const QString& typed)
{
    if (date < minimumDate() || date > maximumDate()) {
        m_typed = typed;
        refuseTyped(QStringLiteral("La date « %1 » est hors du calendrier, qui va de l'an %2 à l'an %3.")
                        .arg(typed.trimmed())
                        .arg(minimumDate().year())
                        .arg(maximumDate().year()));
        return;
    }
    m_typed.clear();
    m_refused = false;
    m_armed = false;
    setDate(date);
    dropTyped(); // the same date as before leaves Qt's text as it was: show it again
}

bool DatePicker::finishTyped()
{
    if (!typingDigits())
        return true;
    const QString typed = m_typed;
    const bool refused = m_refused;
    dropTyped();
    if (refused)
        return false; // already said
    const TypedDate read = readTypedDate(typed);
    if (read.state == TypedDate::State::Partial && read.dayOnly > 0) {
        const QDate shown = date();
        const QString whole = QStringLiteral("%1/%2/%3")
                                  .arg(read.dayOnly, 2, 10, QChar(u'0'))
                                  .arg(shown.month(), 2, 10, QChar(u'0'))
                                  .arg(shown.year(), 4, 10, QChar(u'0'));
        const TypedDate day = readTypedDate(whole);
        if (day.state == TypedDate::State::Complete) {
            setDate(day.date);
            return true;
        }
        Dialogs::error(this, day.message);
        return false;
    }
    Dialogs::error(this, read.message);
    return false;
}

} // namespace pelorin
