#pragma once

#include <QLocale>

class QObject;
class QTranslator;

// Qt's own texts (file dialogs, the Yes/No buttons) in the language of locale, so that they
// match the program's Chinese captions. Installed into the application; owned by parent. Null
// when Qt has no translation for that language.
QTranslator* installQtTranslations(const QLocale& locale, QObject* parent);
