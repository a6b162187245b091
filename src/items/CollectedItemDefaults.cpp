#include "items/CollectedItemDefaults.h"

ItemRecord collectedItemDefaults() {
    const QString zero = QStringLiteral("0");
    ItemRecord record;
    record.shopCategory = zero;
    record.quantity = QStringLiteral("10");
    record.duration = QStringLiteral("7");
    record.paymentMethod = zero;
    record.alipay = QStringLiteral("1");
    record.autoRepost = QStringLiteral("1");
    record.putInStore = zero;
    record.shopWindow = zero;
    record.startTime = QStringLiteral("1980-01-01 00:00:00");
    record.groupPrice = zero;
    record.groupMinCount = zero;
    record.postageTemplateId = zero;
    record.memberDiscount = zero;
    return record;
}
