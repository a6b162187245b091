#include "formats/AssistantFormat.h"

QString AssistantLayout::headerLine() const {
    return {};
}

QString AssistantLayout::joinRow(const QStringList&) const {
    return {};
}

namespace AssistantFormat {

namespace {
const AssistantLayout& empty() {
    static const AssistantLayout layout;
    return layout;
}
} // namespace

const AssistantLayout& taobao() {
    return empty();
}
const AssistantLayout& paipai() {
    return empty();
}
const AssistantLayout& ebay() {
    return empty();
}
const AssistantLayout& forOption(int) {
    return empty();
}
const AssistantLayout& taobaoConverter() {
    return empty();
}
const AssistantLayout& paipaiConverter() {
    return empty();
}
const AssistantLayout& ebayConverter() {
    return empty();
}

} // namespace AssistantFormat
