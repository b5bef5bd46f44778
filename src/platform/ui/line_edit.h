#pragma once
// The widget behind every TEdit: a QLineEdit that can also show its text on
// several lines. On one line it is the plain line edit (a vertical scroll
// bar asked for stands at its right, with nothing to scroll). On several lines the
// same text, caret and selection (and so everything the edit's users ask of
// QLineEdit) are laid out in lines: broken at the text's line ends (CR, LF,
// CR LF) and, with word wrap, between words; the view scrolls up and down
// to keep the caret shown (sideways only without word wrap), with a
// vertical scroll bar on the right when one is asked for. Up, Down, Page
// Up, Page Down, Home and End move by lines there, the mouse places the
// caret in the lines, and an Enter that reaches the widget starts a new line
// (CR LF). A frameless edit sets its text 2 pixels in from the left and top.
// Password and input-mask edits always stay on one line.

#include <QBasicTimer>
#include <QLineEdit>

#include <functional>

class QScrollBar;
class QTextLayout;

class TLineEdit : public QLineEdit {
public:
    explicit TLineEdit(QWidget* parent = nullptr);
    ~TLineEdit() override;

    // Several lines (with word wrap and a vertical scroll bar as asked) or one.
    void SetMultiLine(bool multiLine, bool wordWrap, bool vertScrollBar);
    bool MultiLine() const { return multiLine_; }
    bool WordWrap() const { return wordWrap_; }
    // The lines are in use: several lines asked for and neither a password
    // nor an input mask set.
    bool ShowsLines() const;
    // Laid out as shown now: the number of lines, the line of a text
    // position, the first line in view and how many lines fit the view.
    int LineCount() const;
    int LineOfPosition(int pos) const;
    int FirstVisibleLine() const;
    int VisibleLineCount() const;
    // The vertical scroll bar: made when first asked for, null before.
    QScrollBar* VertScrollBar() const { return vbar_; }
    // Called when the user works the scroll bar, before it scrolls.
    std::function<void()> OnUserScroll;
    // On lines the caret's rectangle is that of its line.
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

protected:
    void paintEvent(QPaintEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void timerEvent(QTimerEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    // The text area in widget coordinates (inside frame, margins and bar).
    QRect TextArea() const;
    // Lays the text out for the text area's width; positions match text().
    void Layout(QTextLayout& layout) const;
    int LineHeight() const;
    // The text position nearest to a widget point.
    int PositionAt(const QPoint& p) const;
    // The caret moved (or the text changed): the view follows it.
    void FollowCaret();
    void UpdateScrollBar();
    // The room the bar takes from the right of a one-line edit's text.
    void SetBarMargin(int width);
    void SetScroll(int y);
    // Moves the caret to pos, extending the selection from its anchor when keepAnchor.
    void MoveCaret(int pos, bool keepAnchor);
    int Anchor() const;
    void Blink(bool on);

    bool multiLine_ = false;
    bool wordWrap_ = false;
    bool wantBar_ = false;
    int scrollY_ = 0;  // pixels of the laid-out text above the text area
    int scrollX_ = 0;  // without word wrap: pixels left of it
    bool caretOn_ = false;
    bool selecting_ = false;
    QBasicTimer blink_;
    QScrollBar* vbar_ = nullptr;
    int barMargin_ = 0;
    bool syncing_ = false;
};
