#include "formats/ui/ConversionPanel.h"

ConversionPanel::ConversionPanel(QWidget* parent)
    : QGroupBox(QStringLiteral("淘宝助手、拍拍助手、易趣助手导出文件相互转换"), parent) {
    setObjectName(QStringLiteral("Frame2"));
}
