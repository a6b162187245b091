#pragma once

#include <QString>

// Variables of an extraction, shared by the commands and the crawlers; the output not yet
// written belongs to the RowWriter.
struct RunState {
    int autoSave = 0; // breakpoint recording is on
    QString outputBaseName = QStringLiteral("Temp");
    bool stopRequested = true; // idle, or a stop has been asked for
    int splitIndex = 0;        // PaiPai list position
    int collectedCount = 0;    // items reached in this run
    int itemTotal = 0;         // items the shop reports
    int pageCount = 0;         // list pages to walk
    int itemsFound = -1;       // items the walk found in the shop's lists; -1 until all were read
    QString pageHtml;          // current page text
    QString shopUrl;           // shop address of the run, lower-cased
    QString outputExtension = QStringLiteral(".csv");
    int resumeItemNumber = 0; // items at or below this number are already on disk
    QString resumeShopUrl;    // the address the loaded breakpoint belongs to

    bool isRunning() const { return !stopRequested; }
    QString outputFileName() const { return outputBaseName + outputExtension; }
};
