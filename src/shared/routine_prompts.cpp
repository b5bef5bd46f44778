#include "shared/routine_prompts.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QtDebug>

namespace {

bool DefaultPrompt(TRoutineBox box, const QString& text)
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (!app || QGuiApplication::platformName() == QLatin1String("offscreen")) {
        qWarning().noquote() << text;
        return false;
    }
    const QString caption = QApplication::applicationName();
    switch (box) {
    case TRoutineBox::Meldung:
        QMessageBox::information(QApplication::activeWindow(), caption, text);
        return true;
    case TRoutineBox::Warnung:
        QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("Warnung"), text);
        return true;
    case TRoutineBox::Bestaetigung:
        QMessageBox::question(QApplication::activeWindow(), QStringLiteral("Bestätigen"), text,
                              QMessageBox::StandardButtons(QMessageBox::Ok));
        return true;
    case TRoutineBox::Frage:
        return QMessageBox::information(QApplication::activeWindow(), QStringLiteral("Information"), text,
                                        QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes;
    case TRoutineBox::Fehler:
        QMessageBox::critical(QApplication::activeWindow(), QStringLiteral("Fehler"), text);
        return true;
    }
    return false;
}

TRoutinePromptHandler& Handler()
{
    static TRoutinePromptHandler handler;
    return handler;
}

bool Show(TRoutineBox box, const QString& text)
{
    const TRoutinePromptHandler& handler = Handler();
    return handler ? handler(box, text) : DefaultPrompt(box, text);
}

}  // namespace

TRoutinePromptHandler SetRoutinePromptHandler(TRoutinePromptHandler handler)
{
    TRoutinePromptHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

void RoutineMeldung(const QString& text) { Show(TRoutineBox::Meldung, text); }
void RoutineWarnung(const QString& text) { Show(TRoutineBox::Warnung, text); }
void RoutineBestaetigung(const QString& text) { Show(TRoutineBox::Bestaetigung, text); }
bool RoutineFrage(const QString& text) { return Show(TRoutineBox::Frage, text); }
void RoutineFehler(const QString& text) { Show(TRoutineBox::Fehler, text); }
