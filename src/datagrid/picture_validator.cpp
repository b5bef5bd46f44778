#include "datagrid/picture_validator.h"

#include "platform/core/win1252.h"

namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// A letter: A-Z, a-z, or a Windows-1252 code from 129 to 255.
bool IsLetter(QChar c)
{
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))
        return true;
    const std::optional<unsigned char> b = Win1252EncodeChar(c.unicode());
    return b && *b >= 129;
}

bool IsSpecial(QChar c) { return QStringLiteral("!#&*,?@[]{}~").contains(c); }

// Follows the depth of optional parts ("[...]") and groups ("{...}") over
// one mask character; other characters leave both depths as they are.
void CountNesting(QChar c, int& brackets, int& braces)
{
    if (c == u'[')
        ++brackets;
    else if (c == u']')
        --brackets;
    else if (c == u'{')
        ++braces;
    else if (c == u'}')
        --braces;
}

// One run of Picture over a text. I is the text position, J the mask
// position, both 1-based; T is the position that ends the current level.
class TPictureRun {
public:
    TPictureRun(const QString& mask, QString& text) : mask_(mask), text_(text) {}

    int I = 1;
    int J = 1;

    TPicResult Process(int T)
    {
        bool blankLiteral = false;
        bool incomplete = false;
        int oldI = I, oldJ = J, incI = 0, incJ = 0;
        TPicResult r;
        for (;;) {
            r = Scan(T, blankLiteral);
            // A complete alternative counts only when it got further than
            // an earlier incomplete one.
            if (IsComplete(r) && incomplete && I < incI) {
                r = prIncomplete;
                I = incI;
            }
            if (r != prError && r != prIncomplete)
                break;
            TPicResult result = r;
            if (!incomplete && r == prIncomplete) {
                incomplete = true;
                incI = I;
                incJ = J;
            }
            I = oldI;
            J = oldJ;
            if (!SkipToComma(T)) {
                if (incomplete) {
                    result = prIncomplete;
                    I = incI;
                    J = incJ;
                }
                return result;
            }
            oldJ = J;
        }
        return r == prComplete && incomplete ? prAmbiguous : r;
    }

    QChar M(int p) const { return p >= 1 && p <= mask_.size() ? mask_.at(p - 1) : QChar(); }
    int MaskLength() const { return static_cast<int>(mask_.size()); }

private:
    int TextLength() const { return static_cast<int>(text_.size()); }

    void Consume(QChar c)
    {
        text_[I - 1] = c;
        ++I;
        ++J;
    }

    // Moves p past one character or one whole group, option or "*" item.
    void ToGroupEnd(int& p, int T) const
    {
        int brackets = 0, braces = 0;
        do {
            if (p >= T)
                return;
            const QChar c = M(p);
            if (c == u'*') {
                ++p;
                while (IsDigit(M(p)))
                    ++p;
                ToGroupEnd(p, T);
                continue;
            }
            if (c == u';')
                ++p;  // the escaped character is passed over with it
            else
                CountNesting(c, brackets, braces);
            ++p;
        } while (brackets != 0 || braces != 0);
    }

    bool SkipToComma(int T)
    {
        do
            ToGroupEnd(J, T);
        while (J < T && M(J) != u',');
        if (J < T && M(J) == u',')
            ++J;
        return J < T;
    }

    int CalcTerm(int T) const
    {
        int k = J;
        ToGroupEnd(k, T);
        return k;
    }

    TPicResult Iteration(int T)
    {
        ++J;  // the "*"
        int count = 0;
        while (IsDigit(M(J))) {
            count = count * 10 + (M(J).unicode() - u'0');
            ++J;
            if (count > 255)
                return prSyntax;
        }
        if (J > T)
            return prSyntax;
        const int itemStart = J;
        const int itemEnd = CalcTerm(T);
        TPicResult r = prComplete;
        if (count != 0) {
            for (int n = 0; n < count; ++n) {
                J = itemStart;
                r = Process(itemEnd);
                if (!IsComplete(r)) {
                    // Every repetition is required, unless an option follows.
                    if (r == prEmpty) {
                        if (M(itemEnd) == u'[') {
                            J = itemEnd;
                            return prComplete;
                        }
                        r = prIncomplete;
                    }
                    return r;
                }
            }
        } else {
            for (;;) {
                const int before = I;
                J = itemStart;
                r = Process(itemEnd);
                if (!IsComplete(r) || I == before)
                    break;
            }
            if (r == prEmpty || r == prError)
                r = prAmbiguous;
        }
        J = itemEnd;
        return r;
    }

    TPicResult Group(int T)
    {
        const int close = CalcTerm(T);
        ++J;
        const TPicResult r = Process(close - 1);
        if (!IsIncomplete(r))
            J = close;
        return r;
    }

    // The piece at p is optional: an option, a "*" item without count, a
    // one-digit count before an option, or a group with an all-optional
    // alternative.
    bool SkipOptional(int& p, int T) const
    {
        const QChar c = M(p);
        if (c == u'[') {
            ToGroupEnd(p, T);
            return true;
        }
        if (c == u'*' && !IsDigit(M(p + 1))) {
            ++p;
            ToGroupEnd(p, T);
            return true;
        }
        if (c == u'*' && IsDigit(M(p + 1)) && M(p + 2) == u'[') {
            p += 2;
            ToGroupEnd(p, T);
            return true;
        }
        if (c == u'{' && GroupHasOptionalAlternative(p, T)) {
            ToGroupEnd(p, T);
            return true;
        }
        return false;
    }

    bool GroupHasOptionalAlternative(int open, int T) const
    {
        int close = open;
        ToGroupEnd(close, T);
        const int end = close - 1;  // the "}"
        int p = open + 1;
        bool allOptional = true;
        while (p < end) {
            if (M(p) == u',') {
                if (allOptional)
                    return true;
                allOptional = true;
                ++p;
                continue;
            }
            if (!SkipOptional(p, end)) {
                allOptional = false;
                ToGroupEnd(p, end);
            }
        }
        return allOptional;
    }

    TPicResult CheckComplete(TPicResult r, int T) const
    {
        if (!IsIncomplete(r))
            return r;
        int j = J;
        while (j < T) {
            if (M(j) == u',') {
                j = T;  // the remaining alternatives need nothing
                break;
            }
            if (!SkipOptional(j, T))
                break;
        }
        return j == T ? prAmbiguous : r;
    }

    TPicResult Scan(int T, bool& blankLiteral)
    {
        TPicResult r = prEmpty;
        while (J < T && M(J) != u',') {
            if (I > TextLength())
                return CheckComplete(r, T);
            QChar c = text_.at(I - 1);
            QChar m = M(J);
            switch (m.unicode()) {
            case u'#':
                if (!IsDigit(c))
                    return prError;
                Consume(c);
                break;
            case u'?':
                if (!IsLetter(c))
                    return prError;
                Consume(c);
                break;
            case u'&':
                if (!IsLetter(c))
                    return prError;
                Consume(c.toUpper());
                break;
            case u'~':
                if (!IsLetter(c))
                    return prError;
                Consume(c.toLower());
                break;
            case u'!':
                Consume(c.toUpper());
                break;
            case u'@':
                Consume(c);
                break;
            case u'*':
                r = Iteration(T);
                if (!IsComplete(r))
                    return r;
                break;
            case u'{':
                r = Group(T);
                if (!IsComplete(r))
                    return r;
                break;
            case u'[':
                r = Group(T);
                if (IsIncomplete(r))
                    return r;
                if (r == prError)
                    r = prAmbiguous;
                break;
            default: {
                if (m == u';') {
                    ++J;
                    m = M(J);
                }
                const bool last = I == TextLength();
                if (m.toUpper() != c.toUpper()) {
                    // A blank typed at the end stands for the literal.
                    if (c == u' ' && last && !blankLiteral)
                        c = m;
                    else
                        return prError;
                } else if (c == u' ' && last) {
                    blankLiteral = true;
                }
                Consume(m);
                break;
            }
            }
            r = r == prAmbiguous ? prIncompNoFill : prIncomplete;
        }
        return r == prIncompNoFill ? prAmbiguous : prComplete;
    }

    const QString& mask_;
    QString& text_;
};

}  // namespace

TdkPictureValidator::TdkPictureValidator(const QString& mask, bool autoFill) : mask_(mask)
{
    if (autoFill)
        options_ |= 1;
    QString empty;
    if (Picture(empty, false) != prEmpty)
        status_ = 1;
}

bool TdkPictureValidator::SyntaxCheck() const
{
    const int len = static_cast<int>(mask_.size());
    if (len == 0 || len > kMaxLength || mask_.back() == u';')
        return false;
    if (mask_.back() == u'*' && (len < 2 || mask_.at(len - 2) != u';'))
        return false;
    int brackets = 0, braces = 0;
    for (int i = 0; i < len; ++i) {
        const QChar c = mask_.at(i);
        if (c == u';')
            ++i;
        else
            CountNesting(c, brackets, braces);
    }
    return brackets == 0 && braces == 0;
}

TPicResult TdkPictureValidator::Picture(QString& text, bool autoFill)
{
    if (!SyntaxCheck())
        return prSyntax;
    if (text.isEmpty())
        return prEmpty;
    if (text.size() > kMaxLength)
        return prError;
    TPictureRun run(mask_, text);
    const int T = run.MaskLength() + 1;
    TPicResult r = run.Process(T);
    if (r != prError && r != prSyntax && run.I <= text.size())
        r = prError;
    if (r == prIncomplete && autoFill) {
        bool filled = false;
        while (run.J <= run.MaskLength() && !IsSpecial(run.M(run.J))) {
            if (run.M(run.J) == u';')
                ++run.J;
            text += run.M(run.J);
            ++run.J;
            filled = true;
        }
        if (filled && text.size() <= kMaxLength) {
            run.I = 1;
            run.J = 1;
            r = run.Process(T);
        }
    }
    if (r == prAmbiguous)
        return prComplete;
    if (r == prIncompNoFill)
        return prIncomplete;
    return r;
}

bool TdkPictureValidator::IsValidInput(QString& text, bool suppressFill)
{
    if (mask_.isEmpty())
        return true;
    return Picture(text, AutoFill() && !suppressFill) != prError;
}

bool TdkPictureValidator::IsValid(const QString& text)
{
    if (mask_.isEmpty())
        return true;
    QString copy = text;
    const TPicResult r = Picture(copy, false);
    return r == prComplete || r == prEmpty;
}
