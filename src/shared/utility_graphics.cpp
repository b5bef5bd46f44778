#include "shared/utility_graphics.h"

#include <QCursor>
#include <QGuiApplication>
#include <cxxabi.h>
#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "platform/core/ini_file.h"
#include "platform/ui/forms.h"

QString FontStyleLetters(const TFontStyles& styles)
{
    QString letters;
    if (styles.Contains(fsBold))
        letters += u'B';
    if (styles.Contains(fsItalic))
        letters += u'I';
    if (styles.Contains(fsUnderline))
        letters += u'U';
    if (styles.Contains(fsStrikeOut))
        letters += u'S';
    return letters;
}

TFontStyles FontStylesFromLetters(const QString& letters)
{
    TFontStyles styles;
    if (letters.contains(u'B'))
        styles.Include(fsBold);
    if (letters.contains(u'I'))
        styles.Include(fsItalic);
    if (letters.contains(u'U'))
        styles.Include(fsUnderline);
    if (letters.contains(u'S'))
        styles.Include(fsStrikeOut);
    return styles;
}

void qktSaveFontToIni(const QString& iniFileName, const QString& section, const QString& keyPrefix,
                      const TFont& font)
{
    TMemIniFile ini(iniFileName);
    ini.WriteString(section, keyPrefix + QStringLiteral("_Name"), font.Name());
    ini.WriteInteger(section, keyPrefix + QStringLiteral("_Size"), font.Size());
    ini.WriteInteger(section, keyPrefix + QStringLiteral("_Color"), font.Color());
    ini.WriteString(section, keyPrefix + QStringLiteral("_Style"), FontStyleLetters(font.Style()));
    // One write for all four keys: a face name the file cannot hold leaves it
    // untouched instead of half written.
    ini.UpdateFile();
}

bool qktLoadFontFromIni(const QString& iniFileName, const QString& section, const QString& keyPrefix,
                        TFont& font)
{
    const TMemIniFile ini(iniFileName);
    const QString name = ini.ReadString(section, keyPrefix + QStringLiteral("_Name"), QString());
    if (name.isEmpty())
        return false;
    font.SetName(name);
    font.SetSize(ini.ReadInteger(section, keyPrefix + QStringLiteral("_Size"), font.Size()));
    font.SetColor(ini.ReadInteger(section, keyPrefix + QStringLiteral("_Color"), font.Color()));
    const QString style = ini.ReadString(section, keyPrefix + QStringLiteral("_Style"), QString());
    if (!style.isEmpty())
        font.SetStyle(FontStylesFromLetters(style));
    return true;
}

void ShortenPathToWidth(const TFont& font, int width, const QString& path, QString& result)
{
    result = path;
    if (path.isEmpty())
        return;
    TBitmap scratch(std::max(width, 1), 20);
    TCanvas* canvas = scratch.Canvas();
    canvas->Font.Assign(&font);
    if (result.endsWith(u'\\'))
        result.chop(1);
    while (!result.isEmpty() && canvas->TextWidth(result) > width - 10) {
        const QString before = result;
        if (result.count(u'\\') < 3) {
            result.chop(1);
            continue;
        }
        result.replace(QStringLiteral("\\..\\"), QStringLiteral("\\"));
        const QString folder = result.section(u'\\', 1, 1);
        result.replace(u'\\' + folder + u'\\', QStringLiteral("\\..\\"));
        // A path whose folders cannot give way any more loses characters.
        if (result == before)
            result.chop(1);
    }
}

void qktFittedSize(int graphicWidth, int graphicHeight, int targetWidth, int targetHeight,
                   int& fittedWidth, int& fittedHeight)
{
    fittedWidth = fittedHeight = 0;
    if (graphicWidth <= 0 || graphicHeight <= 0)
        return;
    fittedHeight = static_cast<int>(int64_t(graphicHeight) * targetWidth / graphicWidth);
    if (fittedHeight > targetHeight) {
        fittedHeight = targetHeight;
        fittedWidth = static_cast<int>(int64_t(graphicWidth) * targetHeight / graphicHeight);
    } else {
        fittedWidth = targetWidth;
    }
}

void qktFitRectKeepAspect(const TGraphic* graphic, const TRect& rect, TCanvas* canvas)
{
    if (!graphic || !canvas || graphic->Width() == 0 || graphic->Height() == 0)
        return;
    int w, h;
    qktFittedSize(graphic->Width(), graphic->Height(), rect.Width(), rect.Height(), w, h);
    const int left = rect.Left + (rect.Width() - w) / 2;
    const int top = rect.Top + (rect.Height() - h) / 2;
    canvas->StretchDraw(Rect(left, top, left + w, top + h), graphic);
}

void qktDrawGraphicFitted(const TGraphic* graphic, const TRect& rect, TBitmap* bitmap)
{
    if (!graphic || !bitmap || graphic->Width() == 0 || graphic->Height() == 0)
        return;
    int w, h;
    qktFittedSize(graphic->Width(), graphic->Height(), rect.Width(), rect.Height(), w, h);
    bitmap->SetSize(w, h);
    bitmap->Canvas()->StretchDraw(Rect(0, 0, w, h), graphic);
}

void qktEnableChildControls(TWinControl* control, bool enabled)
{
    if (!control)
        return;
    for (int i = 0; i < control->ControlCount(); ++i)
        control->Controls(i)->SetEnabled(enabled);
}

void SetCursorAndRefresh(TCursor cursor)
{
    Screen->SetCursor(cursor);
    // Moving the mouse to where it is makes the window system show the new
    // cursor now instead of at the next mouse move.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QCursor::setPos(QCursor::pos());
}

namespace {

QString ClassName(const TComponent* component)
{
    const char* raw = typeid(*component).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(abi::__cxa_demangle(raw, nullptr, nullptr, &status),
                                                     std::free);
    const QString name = QString::fromLatin1(status == 0 && demangled ? demangled.get() : raw);
    // The class's own name, as the framework's ClassName gives it.
    return name.mid(name.lastIndexOf(QLatin1String("::")) + 1).remove(u':');
}

}  // namespace

void CheckUniqueOnForm(TComponent* component, bool designing)
{
    if (!component || !designing)
        return;
    const QString className = ClassName(component);
    const auto* form = dynamic_cast<const TCustomForm*>(component->Owner());
    if (!form)
        throw TFormNotOwner(QStringLiteral("Der Besitzer von ") + className
                            + QStringLiteral(" muß ein Formular sein TForm"));
    int count = 0;
    for (int i = 0; i < form->ComponentCount(); ++i)
        if (typeid(*form->Components(i)) == typeid(*component))
            ++count;
    if (count > 1)
        throw TDuplicateComponent(QStringLiteral("Auf diesem Formular existiert schon eine ") + className
                                  + QStringLiteral(" Komponente"));
}
