#include "app/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

bool QtUebersetzungLaden(const QString& sprache)
{
    // qtbase holds the texts of the dialogs; it stays installed for the run.
    static QTranslator* qtbase = nullptr;
    auto uebersetzung = std::make_unique<QTranslator>();
    if (!uebersetzung->load(QStringLiteral("qtbase_") + sprache, QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    if (qtbase) {
        QCoreApplication::removeTranslator(qtbase);
        delete qtbase;
    }
    qtbase = uebersetzung.release();
    QCoreApplication::installTranslator(qtbase);
    return true;
}
