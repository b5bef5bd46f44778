#include "app/unattended_prompts.h"

#include "platform/ui/forms.h"
#include "platform/ui/std_ctrls.h"
#include "shared/nachrichten_dialog.h"

#include <QFile>
#include <QTextStream>

#include <cstdio>

void TUnattendedPrompts::Protokoll(const QString& art, const QString& caption, const QString& text)
{
    const QString zeile = art + QLatin1Char('\t') + caption + QLatin1Char('\t') +
                          QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) + QLatin1Char('\n');
    std::fputs(zeile.toUtf8().constData(), stderr);
    const QString datei = qEnvironmentVariable("LUMADEX_PROMPT_LOG");
    if (datei.isEmpty())
        return;
    QFile f(datei);
    if (f.open(QIODevice::Append | QIODevice::Text))
        f.write(zeile.toUtf8());
}

int TUnattendedPrompts::Antwort(const TPrompt& prompt)
{
    switch (prompt.Kind) {
    case TPromptKind::Message:
    case TPromptKind::Exception:
        return mrOk;
    case TPromptKind::Dialog:
        if (prompt.Buttons.Contains(mbNo))
            return mrNo;
        if (prompt.Buttons.Contains(mbOK))
            return mrOk;
        return mrCancel;
    case TPromptKind::Box: {
        const auto buttons = MessageBoxButtons(prompt.Flags);
        for (const auto& b : buttons)
            if (b.second == IDNO)
                return IDNO;
        return buttons.size() == 1 ? buttons.front().second : IDCANCEL;
    }
    default:
        return mrCancel;
    }
}

int TUnattendedPrompts::Show(const TPrompt& prompt, QString* value)
{
    Protokoll(PromptKindName(prompt.Kind), prompt.Caption, prompt.Text);
    if (value)
        *value = prompt.Value;
    return Antwort(prompt);
}

TModalResult TUnattendedPrompts::ShowModal(TCustomForm& form)
{
    // A timed message is a message: its text is logged and it is closed.
    if (auto* meldung = dynamic_cast<TMSGDLGForm*>(&form)) {
        Protokoll(QStringLiteral("Message"), form.Caption(), meldung->Label1->Caption());
        return mrOk;
    }
    Protokoll(QStringLiteral("Modal"), form.Caption(), form.Name);
    return mrCancel;
}
