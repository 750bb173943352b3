#include "toolkit/qt_translations.h"

#include <QCoreApplication>
#include <QEvent>
#include <QLibraryInfo>
#include <QTranslator>

bool installQtTranslations()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    if (!QCoreApplication::installTranslator(translator))
        return false;
    // Installing posts a language change; delivered later, while a box shows, it would set the
    // box's buttons again from Qt's texts over the program's own.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange);
    return true;
}
