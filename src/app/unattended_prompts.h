#pragma once
// The prompt service of a run without a person at the screen (the offscreen
// platform): each message and question is written to standard error, and
// to the file named by LUMADEX_PROMPT_LOG when set, and answered with its
// safe choice: OK for a message, No for a Yes/No question, Cancel for the
// rest; a modal form is closed with Cancel.

#include "platform/ui/prompt_service.h"

class TUnattendedPrompts : public TPromptService {
public:
    int Show(const TPrompt& prompt, QString* value) override;
    TModalResult ShowModal(TCustomForm& form) override;

    // The answer given to a prompt.
    static int Antwort(const TPrompt& prompt);

private:
    static void Protokoll(const QString& art, const QString& caption, const QString& text);
};
