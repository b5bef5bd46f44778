#pragma once
// TdkPictureValidator: checks typed text against a picture mask in the
// Paradox picture syntax and, when asked, completes it with the literal
// characters the mask expects next.
//
//   #  digit            ?  letter          &  letter, upper-cased
//   ~  letter, lower-cased                 !  any character, upper-cased
//   @  any character    ;  next mask character is a literal
//   *n repeat the next item n times (* alone: any number of times)
//   [] optional part    {} group           ,  alternatives
// Any other mask character is a literal, compared without case.
// Letters are A-Z, a-z and the Windows-1252 codes 129-255.

#include <QString>

#include <cstdint>

enum TPicResult : uint8_t {
    prComplete = 0,
    prIncomplete = 1,
    prEmpty = 2,
    prError = 3,
    prSyntax = 4,
    prAmbiguous = 5,    // complete, but more could follow
    prIncompNoFill = 6  // incomplete, nothing to fill in
};

class TdkPictureValidator {
public:
    TdkPictureValidator(const QString& mask, bool autoFill);
    virtual ~TdkPictureValidator() = default;

    // 0 ok, 1 the mask has a syntax error.
    uint16_t Status() const { return status_; }
    uint16_t Options() const { return options_; }
    bool AutoFill() const { return (options_ & 1) != 0; }
    const QString& Mask() const { return mask_; }

    // True unless the text cannot match; the text may come back completed.
    virtual bool IsValidInput(QString& text, bool suppressFill);
    // True for a complete or an empty text.
    virtual bool IsValid(const QString& text);
    virtual TPicResult Picture(QString& text, bool autoFill);

    // Masks and texts longer than this are refused (positions are 8-bit).
    static constexpr int kMaxLength = 255;

private:
    bool SyntaxCheck() const;

    uint16_t status_ = 0;
    uint16_t options_ = 4;
    QString mask_;
};

// Complete means 0 or 5, incomplete 1 or 6.
inline bool IsComplete(TPicResult r) { return r == prComplete || r == prAmbiguous; }
inline bool IsIncomplete(TPicResult r) { return r == prIncomplete || r == prIncompNoFill; }
