#pragma once

#include <QGroupBox>

class ExtractionSession;

// Frame2: converting exported files between the three assistants.
class ConversionPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit ConversionPanel(QWidget* parent = nullptr);
};
