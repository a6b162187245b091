#include "base/KillPoint.h"

#include "base/System.h"

#include <QByteArray>
#include <QtGlobal>

void KillPoint::reached(const char* name) {
    static const QByteArray chosen = qgetenv("KESTRUNE_KILL_AT");
    if (!chosen.isEmpty() && chosen == name)
        System::killThisProcess();
}
