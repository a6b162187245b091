#include "web/PageFetcher.h"

#include <QNetworkAccessManager>

PageFetcher::PageFetcher(WindowInterface& window) : m_window(window), m_manager(new QNetworkAccessManager) {}

PageFetcher::~PageFetcher() {
    delete m_manager;
}

void PageFetcher::setTimeoutMs(int milliseconds) {
    m_timeoutMs = milliseconds;
}

FetchResult PageFetcher::get(const QString&, qint64) {
    return {};
}

QString PageFetcher::FetchPage(const QString&) {
    return {};
}

QString PageFetcher::FetchPageUtf8(const QString&) {
    return {};
}

bool PageFetcher::DownloadPicture(const QString&, const QString&, const QString&) {
    return false;
}

QString SafePictureFileName(const QString&) {
    return {};
}
