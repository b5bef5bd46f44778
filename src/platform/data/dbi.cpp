#include "platform/data/dbi.h"

#include <utility>

namespace {
TDbi* g_dbi = nullptr;
TDatabaseInfoHandler g_infoHandler;
}  // namespace

TDbi* Dbi() { return g_dbi; }

void SetDbi(TDbi* dbi) { g_dbi = dbi; }

void DatabaseError(const QString& message, DBIResult code) { throw EDatabaseError(message, code); }

TDbi& InstalledDbi()
{
    if (!g_dbi)
        DatabaseError(QStringLiteral("Keine Datenbankschnittstelle installiert"));
    return *g_dbi;
}

void DbiCheck(DBIResult result)
{
    if (result == DBIERR_NONE)
        return;
    QString text;
    if (g_dbi)
        g_dbi->DbiGetErrorString(result, text);
    if (text.isEmpty())
        text = QStringLiteral("Datenbankfehler %1").arg(result);
    DatabaseError(text, result);
}

void SetDatabaseInfoHandler(TDatabaseInfoHandler handler) { g_infoHandler = std::move(handler); }

void ShowDatabaseInfo(const QString& text)
{
    if (g_infoHandler)
        g_infoHandler(text);
}
