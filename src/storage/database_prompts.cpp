// The information boxes of the database bridge reach the user through the
// program's prompt service (an OK box), so tests script them like any other.

#include "platform/data/dbi.h"
#include "platform/ui/prompt_service.h"
#include "storage/database_bridge.h"

void ConnectDatabaseInfoToPrompts()
{
    SetDatabaseInfoHandler([](const QString& text) {
        TPrompt prompt;
        prompt.Kind = TPromptKind::Box;
        prompt.Caption = QStringLiteral("Information");
        prompt.Text = text;
        prompt.Flags = MB_OK | MB_ICONINFORMATION;
        PromptService()->Show(prompt, nullptr);
    });
}
