#include "platform/ui/line_edit.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <QWheelEvent>

#include <algorithm>

namespace {

// The second half of a CR LF pair lies at the start of the next line and
// takes no room there.
constexpr QChar kPairedLineFeed(0x200B);

bool BetweenCrAndLf(const QString& text, int pos)
{
    return pos > 0 && pos < text.size() && text[pos - 1] == u'\r' && text[pos] == u'\n';
}

QTextLine LineAt(const QTextLayout& layout, int pos)
{
    QTextLine line = layout.lineForTextPosition(pos);
    return line.isValid() || layout.lineCount() == 0 ? line : layout.lineAt(layout.lineCount() - 1);
}

// The last caret position of a line: before the line end that closes it.
int LineEnd(const QTextLayout& layout, const QTextLine& line)
{
    int end = line.textStart() + line.textLength();
    if (end > line.textStart() && layout.text()[end - 1] == QChar::LineSeparator)
        --end;
    return end;
}

}  // namespace

TLineEdit::TLineEdit(QWidget* parent) : QLineEdit(parent)
{
    QObject::connect(this, &QLineEdit::cursorPositionChanged, this, [this](int oldPos, int newPos) {
        if (!ShowsLines())
            return;
        // The caret never stands inside a CR LF pair: typing there would split it.
        if (BetweenCrAndLf(text(), newPos)) {
            MoveCaret(newPos > oldPos ? newPos + 1 : newPos - 1, hasSelectedText());
            return;
        }
        caretOn_ = true;
        FollowCaret();
    });
    QObject::connect(this, &QLineEdit::textChanged, this, [this] { FollowCaret(); });
    QObject::connect(this, &QLineEdit::selectionChanged, this, [this] {
        if (ShowsLines())
            update();
    });
}

TLineEdit::~TLineEdit() = default;

void TLineEdit::SetMultiLine(bool multiLine, bool wordWrap, bool vertScrollBar)
{
    multiLine_ = multiLine;
    wordWrap_ = wordWrap;
    wantBar_ = vertScrollBar;
    scrollX_ = scrollY_ = 0;
    Blink(hasFocus() && ShowsLines());
    UpdateScrollBar();  // first: the bar narrows the text area
    FollowCaret();
    update();
}

bool TLineEdit::ShowsLines() const { return multiLine_ && echoMode() == QLineEdit::Normal && inputMask().isEmpty(); }

QRect TLineEdit::TextArea() const
{
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    QRect r = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
    // A framed edit keeps the line edit's own margins; a frameless one (a
    // grid's cell editor) sets its text 2 pixels in from the left and top.
    r.adjust(2, hasFrame() ? 1 : 2, 0, 0);
    if (vbar_ && !vbar_->isHidden())
        r.setRight(std::min(r.right(), vbar_->geometry().left() - 1));
    return r;
}

int TLineEdit::LineHeight() const { return std::max(1, QFontMetrics(font()).height()); }

void TLineEdit::Layout(QTextLayout& layout) const
{
    const QString original = text();
    QString shown = original;
    for (int i = 0; i < shown.size(); ++i) {
        if (original[i] == u'\r')
            shown[i] = QChar::LineSeparator;
        else if (original[i] == u'\n')
            shown[i] = i > 0 && original[i - 1] == u'\r' ? kPairedLineFeed : QChar(QChar::LineSeparator);
    }
    layout.setText(shown);
    layout.setFont(font());
    QTextOption option;
    option.setWrapMode(wordWrap_ ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setAlignment(QStyle::visualAlignment(layoutDirection(), alignment() & Qt::AlignHorizontal_Mask));
    layout.setTextOption(option);
    layout.setCacheEnabled(true);
    const int width = std::max(1, TextArea().width());
    const int lh = LineHeight();
    layout.beginLayout();
    for (int y = 0;; y += lh) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(width);
        line.setPosition(QPointF(0, y));
    }
    layout.endLayout();
}

int TLineEdit::LineCount() const
{
    if (!ShowsLines())
        return 1;
    QTextLayout layout;
    Layout(layout);
    return layout.lineCount();
}

int TLineEdit::LineOfPosition(int pos) const
{
    if (!ShowsLines())
        return 0;
    QTextLayout layout;
    Layout(layout);
    QTextLine line = LineAt(layout, pos);
    return line.isValid() ? line.lineNumber() : 0;
}

int TLineEdit::FirstVisibleLine() const { return scrollY_ / LineHeight(); }

int TLineEdit::VisibleLineCount() const { return std::max(1, TextArea().height() / LineHeight()); }

int TLineEdit::PositionAt(const QPoint& p) const
{
    QTextLayout layout;
    Layout(layout);
    if (layout.lineCount() == 0)
        return 0;
    const QRect area = TextArea();
    const int row = std::clamp((p.y() - area.top() + scrollY_) / LineHeight(), 0, layout.lineCount() - 1);
    const QTextLine line = layout.lineAt(row);
    int pos = std::min(line.xToCursor(p.x() - area.left() + scrollX_), LineEnd(layout, line));
    if (BetweenCrAndLf(text(), pos))
        ++pos;
    return pos;
}

int TLineEdit::Anchor() const
{
    if (!hasSelectedText())
        return cursorPosition();
    const int start = selectionStart(), end = start + selectionLength();
    return cursorPosition() == start ? end : start;
}

void TLineEdit::MoveCaret(int pos, bool keepAnchor)
{
    pos = std::clamp(pos, 0, int(text().size()));
    if (keepAnchor) {
        const int anchor = Anchor();
        setSelection(anchor, pos - anchor);
    } else {
        setCursorPosition(pos);
    }
}

void TLineEdit::FollowCaret()
{
    if (!ShowsLines())
        return;
    QTextLayout layout;
    Layout(layout);
    const QRect area = TextArea();
    const int lh = LineHeight();
    const int visible = std::max(1, area.height() / lh);
    const QTextLine line = LineAt(layout, cursorPosition());
    if (line.isValid()) {
        const int top = line.lineNumber() * lh;
        if (top < scrollY_)
            scrollY_ = top;
        else if (top + lh > scrollY_ + std::max(area.height(), lh))
            scrollY_ = (line.lineNumber() - visible + 1) * lh;
        if (wordWrap_) {
            scrollX_ = 0;
        } else {
            const int x = int(line.cursorToX(cursorPosition()));
            if (x < scrollX_)
                scrollX_ = x;
            else if (x >= scrollX_ + area.width())
                scrollX_ = x - area.width() + 1;
        }
    }
    scrollY_ = std::clamp(scrollY_, 0, std::max(0, (layout.lineCount() - visible) * lh));
    UpdateScrollBar();
    update();
}

void TLineEdit::SetBarMargin(int width)
{
    if (width == barMargin_)
        return;
    QMargins m = textMargins();
    m.setRight(m.right() - barMargin_ + width);
    barMargin_ = width;
    setTextMargins(m);
}

void TLineEdit::UpdateScrollBar()
{
    // A bar asked for shows also on one line (where it has nothing to
    // scroll); there the line edit's own text stops short of it.
    if (!wantBar_) {
        if (vbar_)
            vbar_->hide();
        SetBarMargin(0);
        return;
    }
    if (!vbar_) {
        // Made on first use: most edits never show one.
        vbar_ = new QScrollBar(Qt::Vertical, this);
        vbar_->setFocusPolicy(Qt::NoFocus);
        vbar_->setCursor(Qt::ArrowCursor);
        QObject::connect(vbar_, &QScrollBar::actionTriggered, this, [this](int) {
            if (OnUserScroll)
                OnUserScroll();
        });
        QObject::connect(vbar_, &QScrollBar::valueChanged, this, [this](int v) {
            if (syncing_)
                return;
            scrollY_ = v;
            update();
        });
    }
    vbar_->show();
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect inner = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    const int w = vbar_->sizeHint().width();
    vbar_->setGeometry(inner.right() - w + 1, inner.top(), w, inner.height());
    if (!ShowsLines()) {
        SetBarMargin(w);
        syncing_ = true;
        vbar_->setRange(0, 0);
        syncing_ = false;
        return;
    }
    SetBarMargin(0);
    QTextLayout layout;
    Layout(layout);
    const int view = TextArea().height();
    syncing_ = true;
    vbar_->setRange(0, std::max(0, layout.lineCount() * LineHeight() - view));
    vbar_->setPageStep(std::max(1, view));
    vbar_->setSingleStep(LineHeight());
    vbar_->setValue(scrollY_);
    syncing_ = false;
}

void TLineEdit::SetScroll(int y)
{
    QTextLayout layout;
    Layout(layout);
    const int lh = LineHeight();
    scrollY_ = std::clamp(y, 0, std::max(0, (layout.lineCount() - VisibleLineCount()) * lh));
    UpdateScrollBar();
    update();
}

void TLineEdit::Blink(bool on)
{
    caretOn_ = on;
    const int flash = QApplication::cursorFlashTime();
    if (on && flash > 0)
        blink_.start(flash / 2, this);
    else
        blink_.stop();
}

void TLineEdit::paintEvent(QPaintEvent* e)
{
    if (!ShowsLines()) {
        QLineEdit::paintEvent(e);
        return;
    }
    QPainter p(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &p, this);
    const QRect area = TextArea();
    // Only whole lines show (a box lower than one line shows that line cut).
    const int lh = LineHeight();
    const int wholeLines = area.height() >= lh ? area.height() / lh * lh : area.height();
    p.setClipRect(QRect(area.left(), area.top(), area.width(), wholeLines));
    QTextLayout layout;
    Layout(layout);
    QList<QTextLayout::FormatRange> selection;
    if (hasSelectedText() && hasFocus()) {
        QTextLayout::FormatRange range;
        range.start = selectionStart();
        range.length = selectionLength();
        range.format.setBackground(palette().brush(QPalette::Highlight));
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selection << range;
    }
    p.setPen(palette().color(QPalette::Text));
    const QPointF origin(area.left() - scrollX_, area.top() - scrollY_);
    layout.draw(&p, origin, selection);
    if (hasFocus() && caretOn_ && !isReadOnly())
        layout.drawCursor(&p, origin, cursorPosition(), style()->pixelMetric(QStyle::PM_TextCursorWidth, &panel, this));
}

void TLineEdit::keyPressEvent(QKeyEvent* e)
{
    if (!ShowsLines() || e->modifiers().testFlag(Qt::AltModifier)) {
        QLineEdit::keyPressEvent(e);
        return;
    }
    const bool shift = e->modifiers().testFlag(Qt::ShiftModifier);
    const bool ctrl = e->modifiers().testFlag(Qt::ControlModifier);
    QTextLayout layout;
    Layout(layout);
    const QTextLine line = LineAt(layout, cursorPosition());
    switch (e->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        if (!line.isValid())
            break;
        const int page = VisibleLineCount();
        const int step = e->key() == Qt::Key_Up ? -1 : e->key() == Qt::Key_Down ? 1 : e->key() == Qt::Key_PageUp ? -page : page;
        const int target = std::clamp(line.lineNumber() + step, 0, layout.lineCount() - 1);
        if (target != line.lineNumber()) {
            const QTextLine to = layout.lineAt(target);
            int pos = std::min(to.xToCursor(line.cursorToX(cursorPosition())), LineEnd(layout, to));
            if (BetweenCrAndLf(text(), pos))
                ++pos;
            MoveCaret(pos, shift);
        }
        e->accept();
        return;
    }
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {  // the start or end of the whole text
            MoveCaret(e->key() == Qt::Key_Home ? 0 : int(text().size()), shift);
            e->accept();
            return;
        }
        if (!line.isValid())
            break;
        if (e->key() == Qt::Key_End)
            MoveCaret(LineEnd(layout, line), shift);
        else  // after the line feed of a CR LF that ended the line before
            MoveCaret(line.textStart() + int(BetweenCrAndLf(text(), line.textStart())), shift);
        e->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (ctrl)
            break;
        // An Enter the edit's owner let through starts a new line.
        if (!isReadOnly())
            insert(QStringLiteral("\r\n"));
        e->accept();
        return;
    default:
        break;
    }
    QLineEdit::keyPressEvent(e);
}

void TLineEdit::mousePressEvent(QMouseEvent* e)
{
    if (!ShowsLines()) {
        QLineEdit::mousePressEvent(e);
        return;
    }
    if (e->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(e);
        return;
    }
    MoveCaret(PositionAt(e->position().toPoint()), e->modifiers().testFlag(Qt::ShiftModifier));
    selecting_ = true;
    e->accept();
}

void TLineEdit::mouseMoveEvent(QMouseEvent* e)
{
    if (!ShowsLines()) {
        QLineEdit::mouseMoveEvent(e);
        return;
    }
    if (selecting_ && e->buttons().testFlag(Qt::LeftButton))
        MoveCaret(PositionAt(e->position().toPoint()), true);
    e->accept();
}

void TLineEdit::mouseReleaseEvent(QMouseEvent* e)
{
    if (!ShowsLines()) {
        QLineEdit::mouseReleaseEvent(e);
        return;
    }
    selecting_ = false;
    e->accept();
}

void TLineEdit::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!ShowsLines()) {
        QLineEdit::mouseDoubleClickEvent(e);
        return;
    }
    if (e->button() != Qt::LeftButton)
        return;
    // The word under the mouse.
    const QString t = text();
    const int pos = PositionAt(e->position().toPoint());
    auto inWord = [&t](int i) { return i >= 0 && i < t.size() && t[i].isLetterOrNumber(); };
    int start = pos, end = pos;
    while (inWord(start - 1))
        --start;
    while (inWord(end))
        ++end;
    if (end > start)
        setSelection(start, end - start);
    e->accept();
}

void TLineEdit::wheelEvent(QWheelEvent* e)
{
    if (!ShowsLines() || LineCount() <= VisibleLineCount()) {
        QLineEdit::wheelEvent(e);
        return;
    }
    const int notches = e->angleDelta().y() / 120;
    SetScroll(scrollY_ - notches * 3 * LineHeight());
    e->accept();
}

void TLineEdit::resizeEvent(QResizeEvent* e)
{
    QLineEdit::resizeEvent(e);
    if (ShowsLines())
        FollowCaret();
    else
        UpdateScrollBar();
}

void TLineEdit::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    if (ShowsLines()) {
        Blink(true);
        update();
    }
}

void TLineEdit::focusOutEvent(QFocusEvent* e)
{
    QLineEdit::focusOutEvent(e);
    Blink(false);
    if (ShowsLines())
        update();
}

void TLineEdit::timerEvent(QTimerEvent* e)
{
    if (e->timerId() == blink_.timerId()) {
        caretOn_ = !caretOn_;
        update();
        return;
    }
    QLineEdit::timerEvent(e);
}

void TLineEdit::changeEvent(QEvent* e)
{
    QLineEdit::changeEvent(e);
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange)
        FollowCaret();
}

QVariant TLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const
{
    if (!ShowsLines() || query != Qt::ImCursorRectangle)
        return QLineEdit::inputMethodQuery(query);
    QTextLayout layout;
    Layout(layout);
    const QTextLine line = LineAt(layout, cursorPosition());
    if (!line.isValid())
        return QLineEdit::inputMethodQuery(query);
    const QRect area = TextArea();
    const int x = area.left() - scrollX_ + int(line.cursorToX(cursorPosition()));
    const int y = area.top() - scrollY_ + line.lineNumber() * LineHeight();
    return QRect(x, y, 1, LineHeight());
}
