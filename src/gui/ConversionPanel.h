#pragma once

#include "base/Marketplace.h"
#include "gui/FileDialog.h"
#include "run/ConversionJob.h"

#include <QGroupBox>

class QButtonGroup;
class QLineEdit;
class QPushButton;

// Frame2: converting exported files between the assistants. The source format (Option3) decides
// which targets (Option4) are offered; a chosen file selects the source its content shows; the
// save path follows the chosen file and target.
class ConversionPanel : public QGroupBox {
    Q_OBJECT

public:
    explicit ConversionPanel(QWidget* parent = nullptr);

    // cd1, shared with start-up, which sets its first filter.
    FileDialog& fileDialog() { return m_dialog; }

    // The folder both file dialogs open in while their path box is empty: the program folder,
    // where the extractions' files are.
    void setFolder(const QString& folder);

    static QString saveSuffix(FileFormat target);

    // The panel's conversions run here, off the window's thread; the window shows their progress.
    ConversionJob& job() { return m_job; }

signals:
    // A conversion ended: its message, and the file it wrote (empty when it wrote none).
    void reported(const QString& message, const QString& writtenFile);
    // A line about an item of the conversion that did not come through whole, for the log.
    void warned(const QString& line);

public slots:
    void onSourceChosen(int index); // Option3 click
    void onTargetChosen(int index); // Option4 click
    void onSelectSource();          // cmd_select
    void onSelectSave();            // cmd_select_save
    void onConvert();               // cmd_conv
    void onStop();                  // cmd_conv_stop

private:
    void onConversionFinished(const FormatConverter::Result& result);
    void setConverting(bool converting);

    QLineEdit* m_sourcePath = nullptr;
    QLineEdit* m_savePath = nullptr;
    QLineEdit* m_imageBaseUrl = nullptr; // enabled for the store targets
    QPushButton* m_selectSource = nullptr;
    QPushButton* m_selectSave = nullptr;
    QPushButton* m_convert = nullptr;
    QPushButton* m_stop = nullptr; // in 转换's place while a conversion runs
    QButtonGroup* m_sourceGroup = nullptr;
    QButtonGroup* m_targetGroup = nullptr;
    FileDialog m_dialog;
    // The save path last taken from the save dialog, which asked before replacing it.
    QString m_confirmedSavePath;
    ConversionJob m_job;
};
