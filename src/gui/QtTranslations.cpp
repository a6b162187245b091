#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

QTranslator* installQtTranslations(const QLocale& locale, QObject* parent) {
    auto* translator = new QTranslator(parent);
    // "qt" pulls in qtbase and the other modules' files of that language.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(locale, QStringLiteral("qt"), QStringLiteral("_"), folder) ||
        translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), folder)) {
        if (QCoreApplication::installTranslator(translator))
            return translator;
    }
    delete translator;
    return nullptr;
}
