#include "datagrid/dk_filter.h"

#include "platform/core/sys_utils.h"
#include "platform/core/win1252.h"
#include "platform/data/table.h"
#include "platform/dbf/dbe.h"
#include "platform/ui/forms.h"
#include "storage/database_bridge.h"

#include <QDate>

#include <cmath>
#include <cstring>
#include <limits>

QString TdkFilterError::Text() const
{
    if (Position <= 0)
        return Message;
    return Message + QStringLiteral(" (Position ") + QString::number(Position) + u')';
}

namespace {

// The block's fields are 16-bit, so no block is larger than this; the
// parse stops as soon as the tree could no longer fit, which also bounds
// the depth of the tree.
constexpr int kMaxBlockSize = 0xFFFF;
constexpr int kHeaderSize = 10;
constexpr int kSlotSize = 14;
constexpr int kMaxNodes = (kMaxBlockSize - kHeaderSize) / kSlotSize;
// Parentheses nest at most this deep.
constexpr int kMaxDepth = 200;

struct ParseFailure {
    TdkFilterError error;
};

[[noreturn]] void Fail(const QString& message, int position)
{
    throw ParseFailure{TdkFilterError{message, position + 1}};
}

bool IsIdentStart(QChar c)
{
    const char16_t u = c.unicode();
    if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z'))
        return true;
    switch (u) {
    case u'!': case u'#': case u'$': case u'*': case u'+': case u'-': case u'/': case u'@': case u'_': case u'`':
        return true;
    default:
        break;
    }
    // Codes 146..255 of the Windows-1252 character set (umlauts and the like).
    const std::optional<unsigned char> b = Win1252EncodeChar(u);
    return b && *b >= 146;
}

bool IsIdentChar(QChar c) { return IsIdentStart(c) || c == u' ' || (c >= u'0' && c <= u'9'); }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }
bool IsRelChar(QChar c) { return c == u'<' || c == u'=' || c == u'>'; }

struct Token {
    QString text;
    int pos = 0;     // start in the text
    int length = 0;  // characters consumed, trailing blanks included
};

class Parser {
public:
    Parser(const QString& text, const TDataSet* dataSet) : s_(text), dataSet_(dataSet) {}

    std::unique_ptr<TNode> Run()
    {
        std::unique_ptr<TNode> root = Logical();
        SkipBlanks();
        if (i_ < s_.size())
            Fail(QStringLiteral("Unerwarteter Text \"") + Shown(s_.mid(i_)) +
                     QStringLiteral("\" nach dem vollständigen Ausdruck"),
                 static_cast<int>(i_));
        CheckFieldReferences(*root);
        return root;
    }

private:
    static QString Shown(const QString& text) { return text.size() > 40 ? text.left(40) + QStringLiteral("...") : text; }

    void SkipBlanks()
    {
        while (i_ < s_.size() && (s_[i_] == u' ' || s_[i_] == u'\t'))
            ++i_;
    }

    // The next token, not consumed.
    Token Peek(bool connectives)
    {
        SkipBlanks();
        Token t;
        t.pos = static_cast<int>(i_);
        if (i_ >= s_.size())
            return t;
        const QChar c = s_[i_];
        qsizetype end = i_;
        if (c == u'(' || c == u')') {
            end = i_ + 1;
        } else if (IsRelChar(c)) {
            end = i_ + 1;
            if (end < s_.size() && IsRelChar(s_[end]))
                ++end;
        } else if (connectives && Connective(end)) {
            // end set by Connective
        } else if (IsIdentStart(c)) {
            end = i_ + 1;
            while (end < s_.size() && IsIdentChar(s_[end]))
                ++end;
        } else if (IsDigit(c)) {
            end = i_;
            while (end < s_.size() && IsDigit(s_[end]))
                ++end;
            if (end < s_.size() && s_[end] == FormatSettings().DecimalSeparator) {
                ++end;
                while (end < s_.size() && IsDigit(s_[end]))
                    ++end;
            }
        } else if (c == u'"') {
            end = s_.indexOf(u'"', i_ + 1);
            if (end < 0)
                Fail(QStringLiteral("Anführungszeichen ohne schließendes \""), i_);
            ++end;
        } else {
            Fail(QStringLiteral("Unerwartetes Zeichen \"") + c + u'"', i_);
        }
        t.length = static_cast<int>(end - i_);
        t.text = s_.mid(i_, end - i_);
        if (c != u'"')
            while (!t.text.isEmpty() && t.text.back() == u' ')
                t.text.chop(1);
        return t;
    }

    // AND or OR at the current position, as a word of its own.
    bool Connective(qsizetype& end) const
    {
        for (const QString& word : {QStringLiteral("AND"), QStringLiteral("OR")}) {
            if (s_.mid(i_, word.size()).compare(word, Qt::CaseInsensitive) != 0)
                continue;
            const qsizetype after = i_ + word.size();
            if (after < s_.size() && s_[after] != u' ' && s_[after] != u'\t' && IsIdentChar(s_[after]))
                continue;
            end = after;
            return true;
        }
        return false;
    }

    void Consume(const Token& t) { i_ = t.pos + t.length; }

    std::unique_ptr<TNode> Logical()
    {
        std::unique_ptr<TNode> left = Relation();
        for (;;) {
            const Token t = Peek(true);
            const QString op = t.text.toUpper();
            if (op != u"AND" && op != u"OR")
                return left;
            Consume(t);
            std::unique_ptr<TNode> right = Relation();
            left = MakeNode(1, op == u"AND" ? kFilterOpAnd : kFilterOpOr, t, std::move(left), std::move(right));
        }
    }

    std::unique_ptr<TNode> Relation()
    {
        std::unique_ptr<TNode> left = Expression();
        const Token t = Peek(false);
        static const std::pair<const char16_t*, uint32_t> ops[] = {
            {u"<", kFilterOpLt}, {u"<>", kFilterOpNe}, {u"<=", kFilterOpLe},
            {u">=", kFilterOpGe}, {u"=", kFilterOpEq}, {u">", kFilterOpGt}};
        for (const auto& [name, code] : ops) {
            if (t.text == QStringView(name)) {
                Consume(t);
                std::unique_ptr<TNode> right = Expression();
                return MakeNode(0, code, t, std::move(left), std::move(right));
            }
        }
        if (!t.text.isEmpty() && IsRelChar(t.text[0]))
            Fail(QStringLiteral("Unbekannter Vergleichsoperator \"") + t.text + u'"', t.pos);
        return left;
    }

    std::unique_ptr<TNode> Expression()
    {
        std::unique_ptr<TNode> left = Term();
        for (;;) {
            const Token t = Peek(false);
            if (t.text != u"+" && t.text != u"-")
                return left;
            Consume(t);
            std::unique_ptr<TNode> right = Term();
            left = MakeNode(2, t.text == u"+" ? kFilterOpAdd : kFilterOpSub, t, std::move(left), std::move(right));
        }
    }

    std::unique_ptr<TNode> Term()
    {
        std::unique_ptr<TNode> left = Primary();
        for (;;) {
            const Token t = Peek(false);
            if (t.text != u"*" && t.text != u"/")
                return left;
            Consume(t);
            std::unique_ptr<TNode> right = Primary();
            left = MakeNode(2, t.text == u"*" ? kFilterOpMul : kFilterOpDiv, t, std::move(left), std::move(right));
        }
    }

    std::unique_ptr<TNode> Primary()
    {
        const Token t = Peek(false);
        if (t.text == u"(") {
            if (++depth_ > kMaxDepth)
                Fail(QStringLiteral("Der Filterausdruck ist zu tief geklammert"), t.pos);
            Consume(t);
            std::unique_ptr<TNode> inner = Logical();
            const Token close = Peek(false);
            if (close.text != u")")
                Fail(QStringLiteral("\")\" fehlt zur Klammer an Position ") + QString::number(t.pos + 1),
                     close.pos);
            Consume(close);
            --depth_;
            return inner;
        }
        if (t.text.isEmpty())
            Fail(QStringLiteral("Feldname oder Wert fehlt am Ende des Filterausdrucks"), t.pos);
        if (t.text == u")")
            Fail(depth_ > 0 ? QStringLiteral("Feldname oder Wert fehlt vor \")\"")
                            : QStringLiteral("\")\" ohne öffnende Klammer"),
                 t.pos);
        if (IsRelChar(t.text[0]))
            Fail(QStringLiteral("Feldname oder Wert fehlt vor \"") + t.text + u'"', t.pos);
        Consume(t);
        auto node = NewNode();
        node->Kind = 3;
        node->Text = t.text;
        node->Position = t.pos;
        return node;
    }

    std::unique_ptr<TNode> NewNode()
    {
        if (++nodes_ > kMaxNodes)
            Fail(QStringLiteral("Der Filterausdruck ist zu lang"), static_cast<int>(i_));
        return std::make_unique<TNode>();
    }

    const TField* FindField(const QString& name) const { return dataSet_ ? dataSet_->FindField(name) : nullptr; }

    [[noreturn]] static void FieldNotFound(const TNode& operand)
    {
        Fail(operand.Text + QStringLiteral("\rField not found in Table. "), operand.Position);
    }

    // Constant type of a field's data type; 0 for a field no constant can
    // be compared with.
    static uint8_t ConstTypeOf(const TField& field)
    {
        switch (field.DataType()) {
        case ftString: return 1;
        case ftFloat: return 2;
        case ftDate: return 4;
        case ftBoolean: return 6;
        case ftInteger: return 7;
        case ftSmallint: return 9;
        default: return 0;
        }
    }

    std::unique_ptr<TNode> MakeNode(uint8_t kind, uint32_t op, const Token& t, std::unique_ptr<TNode> left,
                                    std::unique_ptr<TNode> right)
    {
        auto node = NewNode();
        node->Kind = kind;
        node->Op = op;
        node->Text = t.text;
        node->Position = t.pos;
        uint8_t type = 0;
        if (left->Kind == 3) {
            const TField* field = FindField(left->Text);
            if (!field)
                FieldNotFound(*left);
            type = ConstTypeOf(*field);
            if (type == 0 && kind != 1)
                Fail(QStringLiteral("Das Feld ") + left->Text +
                         QStringLiteral(" kann in einem Filter nicht verglichen werden"),
                     left->Position);
        } else if (left->Kind == 2) {
            type = left->ResultType;
        }
        // Connectives join conditions: their operands stay field
        // references (a logical field on either side).
        if (kind != 1 && right->Kind == 3 && type != 0)
            right->ConstType = type;
        if (kind == 2)
            node->ResultType = type;
        node->Left = std::move(left);
        node->Right = std::move(right);
        return node;
    }

    // Every operand that is not a constant must name a field.
    void CheckFieldReferences(const TNode& n) const
    {
        if (n.Kind == 3) {
            if (n.ConstType == 0 && !FindField(n.Text))
                FieldNotFound(n);
            return;
        }
        CheckFieldReferences(*n.Left);
        CheckFieldReferences(*n.Right);
    }

    const QString& s_;
    const TDataSet* dataSet_;
    qsizetype i_ = 0;
    int depth_ = 0;
    int nodes_ = 0;
};

// The constant's text without its quotes (quoted types) or trailing blanks.
QString ConstantText(const TNode& n)
{
    QString text = n.Text;
    switch (n.ConstType) {
    case 1: case 3: case 4: case 5: case 6:
        if (text.startsWith(u'"'))
            return text.mid(1, text.size() - 2);
        while (!text.isEmpty() && text.back() == u' ')
            text.chop(1);
        return text;
    default:
        return text;
    }
}

// The text in Windows-1252; a character the set cannot hold is refused at
// its own position (the text starts at position, after a quote when quoted).
QByteArray EncodeText(const QString& text, int position)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!Win1252EncodeChar(text[i].unicode()))
            Fail(QStringLiteral("Das Zeichen \"") + text.mid(i, text[i].isHighSurrogate() ? 2 : 1) +
                     QStringLiteral("\" kann im Zeichensatz der Tabelle nicht gespeichert werden"),
                 position + static_cast<int>(i));
        if (text[i] == u'\0')
            Fail(QStringLiteral("Der Wert enthält ein Nullzeichen"), position + static_cast<int>(i));
    }
    return Win1252EncodeOrThrow(text);
}

double FloatValue(const TNode& n)
{
    double v = 0;
    if (!TryStrToFloat(n.Text, v) || !std::isfinite(v))
        Fail(QStringLiteral("\"") + n.Text + QStringLiteral("\" ist keine gültige Zahl"), n.Position);
    return v;
}

int64_t IntegerValue(const TNode& n, int64_t low, int64_t high)
{
    int64_t v = 0;
    if (!TryStrToInt64(n.Text, v) || v < low || v > high)
        Fail(QStringLiteral("\"") + n.Text + QStringLiteral("\" ist keine gültige ganze Zahl im Bereich ") +
                 QString::number(low) + QStringLiteral(" bis ") + QString::number(high),
             n.Position);
    return v;
}

// Day number of a date constant (1 = 1 January of year 1).
int32_t DateValue(const TNode& n)
{
    const QString text = ConstantText(n);
    TDateTime d = 0;
    if (!TryStrToDate(text, d))
        Fail(QStringLiteral("\"") + text + QStringLiteral("\" ist kein gültiges Datum"), n.Position);
    return static_cast<int32_t>(std::floor(d)) + kDayNumberDelta;
}

bool BooleanValue(const TNode& n)
{
    const QString text = ConstantText(n);
    return text.startsWith(u'T') || text.startsWith(u't');
}

class BlockWriter {
public:
    explicit BlockWriter(int nodeCount) : count_(nodeCount), next_(nodeCount - 1) {}

    std::vector<uint8_t> Write(TNode& root)
    {
        Visit(root);
        const size_t literalStart = kHeaderSize + kSlotSize * static_cast<size_t>(count_);
        const size_t total = literalStart + literals_.size();
        if (total > static_cast<size_t>(kMaxBlockSize))
            Fail(QStringLiteral("Der Filterausdruck ist zu lang"), 0);
        std::vector<uint8_t> block(total, 0);
        Put16(block, 0, 1);
        Put16(block, 2, static_cast<uint16_t>(total));
        Put16(block, 4, static_cast<uint16_t>(count_));
        Put16(block, 6, kHeaderSize);
        Put16(block, 8, static_cast<uint16_t>(literalStart));
        std::memcpy(block.data() + kHeaderSize, slots_.data(), slots_.size());
        if (!literals_.empty())
            std::memcpy(block.data() + literalStart, literals_.data(), literals_.size());
        return block;
    }

private:
    static void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
    {
        b[at] = static_cast<uint8_t>(v);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    static void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            b[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    uint16_t AddLiteral(const void* data, size_t size)
    {
        const size_t offset = literals_.size();
        if (offset + size > static_cast<size_t>(kMaxBlockSize))
            Fail(QStringLiteral("Der Filterausdruck ist zu lang"), 0);
        const auto* p = static_cast<const uint8_t*>(data);
        literals_.insert(literals_.end(), p, p + size);
        return static_cast<uint16_t>(offset);
    }

    template <typename T>
    uint16_t AddValue(T value)
    {
        uint8_t bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));  // the machine is little-endian, as the block
        return AddLiteral(bytes, sizeof(T));
    }

    void Visit(TNode& n)
    {
        if (n.Left)
            Visit(*n.Left);
        if (n.Right)
            Visit(*n.Right);
        const int slot = next_--;
        n.NodeOffset = slot * kSlotSize;
        if (slots_.empty())
            slots_.assign(static_cast<size_t>(count_) * kSlotSize, 0);
        const size_t at = static_cast<size_t>(n.NodeOffset);
        if (n.Kind != 3) {
            Put32(slots_, at, 2);
            Put32(slots_, at + 4, n.Op);
            Put16(slots_, at + 8, static_cast<uint16_t>(n.Left->NodeOffset));
            Put16(slots_, at + 10, static_cast<uint16_t>(n.Right->NodeOffset));
            return;
        }
        if (n.ConstType == 0) {
            QByteArray name = EncodeText(n.Text, n.Position).left(255);
            name.append('\0');
            Put32(slots_, at, 4);
            Put32(slots_, at + 4, kFilterOpField);
            Put16(slots_, at + 8, static_cast<uint16_t>(++fieldCounter_));
            Put16(slots_, at + 10, AddLiteral(name.constData(), static_cast<size_t>(name.size())));
            return;
        }
        uint16_t code = 0, size = 0, offset = 0;
        switch (n.ConstType) {
        case 1: {
            QByteArray text = EncodeText(ConstantText(n), n.Position + (n.Text.startsWith(u'"') ? 1 : 0));
            text.append('\0');
            if (text.size() > 0xFFFF)
                Fail(QStringLiteral("Der Filterausdruck ist zu lang"), n.Position);
            code = 1;
            size = static_cast<uint16_t>(text.size());
            offset = AddLiteral(text.constData(), static_cast<size_t>(text.size()));
            break;
        }
        case 2:
            code = 7, size = 8, offset = AddValue<double>(FloatValue(n));
            break;
        case 4:
            code = 2, size = 4, offset = AddValue<int32_t>(DateValue(n));
            break;
        case 6:
            code = 4, size = 2, offset = AddValue<int16_t>(BooleanValue(n) ? 1 : 0);
            break;
        case 7:
            code = 6, size = 4,
            offset = AddValue<int32_t>(static_cast<int32_t>(
                IntegerValue(n, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max())));
            break;
        case 9:
            code = 5, size = 2, offset = AddValue<int16_t>(static_cast<int16_t>(IntegerValue(n, -32768, 32767)));
            break;
        default:
            Fail(QStringLiteral("Der Wert \"") + n.Text + QStringLiteral("\" hat einen nicht unterstützten Typ"),
                 n.Position);
        }
        Put32(slots_, at, 5);
        Put32(slots_, at + 4, kFilterOpConst);
        Put16(slots_, at + 8, code);
        Put16(slots_, at + 10, size);
        Put16(slots_, at + 12, offset);
    }

    int count_;
    int next_;
    int fieldCounter_ = 0;
    std::vector<uint8_t> slots_;
    std::vector<uint8_t> literals_;
};

int CountNodes(const TNode& n) { return 1 + (n.Left ? CountNodes(*n.Left) : 0) + (n.Right ? CountNodes(*n.Right) : 0); }

void SetError(TdkFilterError* error, const TdkFilterError& e)
{
    if (error)
        *error = e;
}

// xBase text of a string constant in the engine's query.
QString QuotedForQuery(const QString& text, int position)
{
    if (!text.contains(u'"'))
        return u'"' + text + u'"';
    if (!text.contains(u'\''))
        return u'\'' + text + u'\'';
    if (!text.contains(u']'))
        return u'[' + text + u']';
    Fail(QStringLiteral("Der Wert enthält \", ' und ] zugleich"), position);
}

QString QueryOperand(const TNode& n)
{
    switch (n.ConstType) {
    case 0: return n.Text;
    case 1: return QuotedForQuery(ConstantText(n), n.Position);
    case 2: return QString::number(FloatValue(n), 'g', 17);
    case 4: {
        const QDate d = QDate(1, 1, 1).addDays(DateValue(n) - 1);
        return QStringLiteral("{^") + d.toString(QStringLiteral("yyyy-MM-dd")) + u'}';
    }
    case 6: return BooleanValue(n) ? QStringLiteral(".T.") : QStringLiteral(".F.");
    case 7: return QString::number(IntegerValue(n, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    case 9: return QString::number(IntegerValue(n, -32768, 32767));
    default:
        Fail(QStringLiteral("Der Wert \"") + n.Text + QStringLiteral("\" hat einen nicht unterstützten Typ"),
             n.Position);
    }
}

QString QueryText(const TNode& n, const TDataSet* dataSet)
{
    if (n.Kind == 3)
        return QueryOperand(n);
    const QString l = QueryText(*n.Left, dataSet);
    const QString r = QueryText(*n.Right, dataSet);
    if (n.Kind == 1)
        return u'(' + l + (n.Op == kFilterOpAnd ? QStringLiteral(") .AND. (") : QStringLiteral(") .OR. (")) + r + u')';
    QString op;
    switch (n.Op) {
    case kFilterOpEq: op = QStringLiteral("="); break;
    case kFilterOpNe: op = QStringLiteral("<>"); break;
    case kFilterOpGt: op = QStringLiteral(">"); break;
    case kFilterOpLt: op = QStringLiteral("<"); break;
    case kFilterOpGe: op = QStringLiteral(">="); break;
    case kFilterOpLe: op = QStringLiteral("<="); break;
    case kFilterOpAdd: op = QStringLiteral("+"); break;
    case kFilterOpSub: op = QStringLiteral("-"); break;
    case kFilterOpMul: op = QStringLiteral("*"); break;
    case kFilterOpDiv: op = QStringLiteral("/"); break;
    default: break;
    }
    // A text field compared with a text constant compares whole values:
    // the field's padding blanks do not count, and "=" is not a prefix test.
    const bool textCompare = n.Kind == 0 && n.Left->Kind == 3 && n.Left->ConstType == 0 && n.Right->Kind == 3 &&
                             n.Right->ConstType == 1;
    if (textCompare && n.Op == kFilterOpEq)
        return QStringLiteral("RTRIM(") + l + QStringLiteral(") == ") + r;
    if (textCompare && n.Op == kFilterOpNe)
        return QStringLiteral(".NOT. (RTRIM(") + l + QStringLiteral(") == ") + r + u')';
    return u'(' + l + QStringLiteral(") ") + op + QStringLiteral(" (") + r + u')';
}

// Sets the engine query of the dataset's work area; false with the
// engine's reason when it refuses the text.
bool SetEngineQuery(TDataSet* dataSet, const QString& text, QString* error)
{
    QString offending;
    const std::optional<QByteArray> bytes = Win1252Encode(text, &offending);
    if (!bytes) {
        if (error)
            *error = QStringLiteral("Das Zeichen \"") + offending +
                     QStringLiteral("\" kann im Zeichensatz der Tabelle nicht gespeichert werden");
        return false;
    }
    const uint16_t before = SelectWorkArea(dataSet->Handle() & 0xFFFF);
    if (before == 0xFFFF) {
        if (error)
            *error = QStringLiteral("Die Tabelle ist nicht geöffnet");
        return false;
    }
    // The text goes in a buffer of its own size: long filters are not cut.
    const int ok = dbe_Query(bytes->constData());
    const QString reason = ok ? QString() : QString::fromUtf8(dbe_LastError());
    if (before != (dataSet->Handle() & 0xFFFF))
        dbe_Select(before);
    if (!ok && error)
        *error = QStringLiteral("Die Datenbank lehnt den Filter ab: ") + reason;
    return ok != 0;
}

int TableTypeOf(const TDataSet* dataSet)
{
    const auto* table = dynamic_cast<const TTable*>(dataSet);
    return table ? static_cast<int>(table->TableType()) : static_cast<int>(ttDefault);
}

void RefreshIfActive(TDataSet* dataSet)
{
    if (dataSet->Active())
        dataSet->Refresh();
}

}  // namespace

std::unique_ptr<TNode> dkParseFilterTree(const QString& text, const TDataSet* dataSet, TdkFilterError* error)
{
    try {
        Parser parser(text, dataSet);
        return parser.Run();
    } catch (const ParseFailure& f) {
        SetError(error, f.error);
        return nullptr;
    }
}

namespace {

std::vector<uint8_t> WriteBlock(TNode& root, TdkFilterError* error)
{
    try {
        BlockWriter writer(CountNodes(root));
        return writer.Write(root);
    } catch (const ParseFailure& f) {
        SetError(error, f.error);
        return {};
    }
}

}  // namespace

std::vector<uint8_t> dkParseFilter(const QString& text, const TDataSet* dataSet, TdkFilterError* error)
{
    std::unique_ptr<TNode> root = dkParseFilterTree(text, dataSet, error);
    return root ? WriteBlock(*root, error) : std::vector<uint8_t>();
}

QString dkFilterTreeToQuery(const TNode& root, const TDataSet* dataSet, TdkFilterError* error)
{
    try {
        return QueryText(root, dataSet);
    } catch (const ParseFailure& f) {
        SetError(error, f.error);
        return QString();
    }
}

void dkDropFilter(TDataSet* dataSet, hDBIFilter& filter)
{
    if (filter == 0)
        return;
    DbiDeactivateFilter();
    if (dataSet && dataSet->Handle() != 0)
        DbiDropFilter(dataSet->Handle());
    filter = 0;
}

bool dkApplyFilter(const QString& text, TDataSet* dataSet, hDBIFilter& filter, bool force, QString* error)
{
    if (!dataSet->Active() && !force) {
        filter = 0;
        return true;
    }
    const int type = TableTypeOf(dataSet);
    if (type >= ttDXNTX && type <= ttRXFOX) {
        bool ok = true;
        if (text.isEmpty()) {
            if (dataSet->Active() || dataSet->Handle() != 0)
                DbiDropFilter(dataSet->Handle());
        } else if (!SetEngineQuery(dataSet, text, error)) {
            // No old filter stays behind a refused one.
            DbiDropFilter(dataSet->Handle());
            ok = false;
        }
        RefreshIfActive(dataSet);
        return ok;
    }
    if (text.isEmpty()) {
        dkDropFilter(dataSet, filter);
        RefreshIfActive(dataSet);
        return true;
    }
    TdkFilterError parseError;
    std::unique_ptr<TNode> root = dkParseFilterTree(text, dataSet, &parseError);
    std::vector<uint8_t> block;
    QString query;
    if (root) {
        block = WriteBlock(*root, &parseError);
        if (!block.empty())
            query = dkFilterTreeToQuery(*root, dataSet, &parseError);
    }
    dkDropFilter(dataSet, filter);
    if (query.isEmpty()) {
        if (error)
            *error = parseError.Text();
        filter = 0;
        RefreshIfActive(dataSet);
        return false;
    }
    // The database API takes the block but does not evaluate it; the
    // engine's query does the filtering.
    if (DbiAddFilter() != DBIERR_NONE || !SetEngineQuery(dataSet, query, error)) {
        if (dataSet->Handle() != 0)
            DbiDropFilter(dataSet->Handle());
        filter = 0;
        RefreshIfActive(dataSet);
        return false;
    }
    DbiActivateFilter();
    filter = 1;
    RefreshIfActive(dataSet);
    return true;
}

bool dkSetFilterCallback(TdkRecordFilter callback, TDataSet* dataSet, hDBIFilter& filter)
{
    filter = 0;
    const auto resync = [dataSet] {
        if (!dataSet->Active())
            return;
        const auto* table = dynamic_cast<const TTable*>(dataSet);
        if (table && table->IndexFieldCount() > 0) {
            dataSet->Refresh();
        } else {
            dataSet->UpdateCursorPos();
            dataSet->Resync(0);
        }
    };
    if (!callback) {
        dataSet->SetFiltered(false);
        dataSet->OnFilterRecord = nullptr;
        resync();
        return true;
    }
    if (dataSet->Handle() == 0)
        return false;
    dataSet->OnFilterRecord = std::move(callback);
    dataSet->SetFiltered(true);
    filter = 1;
    resync();
    return true;
}

bool dkRunRecordFilter(TdkRecordFilterState& state, const std::function<void(bool& accept)>& callback,
                       const std::function<void()>& onEscape)
{
    if (!callback || state.InCallback || !state.Options.Contains(ofoEnabled))
        return true;
    bool accept = true;
    state.InCallback = true;
    try {
        callback(accept);
    } catch (...) {
        state.InCallback = false;
        throw;
    }
    state.InCallback = false;
    if (state.Options.Contains(ofoCancelOnEscape)) {
        if (++state.EscapeCount >= 32000)
            state.EscapeCount = 0;
        if (state.EscapeCount % 100 == 0 && Application->EscapePressed()) {
            state.Options.Exclude(ofoEnabled);
            if (onEscape)
                onEscape();
        }
    }
    return accept;
}
