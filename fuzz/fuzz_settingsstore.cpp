// A settings file of any bytes: reading never fails hard, and a value written reads back as written.
#include "FuzzSupport.h"

#include "run/SettingsKeys.h"
#include "run/SettingsStore.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SettingsStore store(FuzzSupport::asFile(data, size, QStringLiteral("Kestrune.ini")));
    for (const QString& key :
         {SettingsKeys::kBreakPoint, SettingsKeys::kBreakPointNum, SettingsKeys::kBreakPointUrl})
        store.readValue(SettingsKeys::kSection, key);
    const QString value = QStringLiteral("http://shop.paipai.com/20090301/");
    if (store.writeValue(SettingsKeys::kSection, SettingsKeys::kBreakPointUrl, value) &&
        store.readValue(SettingsKeys::kSection, SettingsKeys::kBreakPointUrl) != value)
        std::abort();
    return 0;
}
