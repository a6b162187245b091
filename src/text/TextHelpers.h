#pragma once

#include <QByteArray>
#include <QString>

// Text cleaning and HTML helpers shared by the fetcher, crawlers, parsers and converter.

// One page as one line: "  " removed, '"' to '\'', then TAB, CR, LF and every other control
// character (C0, DEL, C1) removed.
QString cleanPageText(const QString& text);
// cleanPageText, then ',' to the full-width comma, so the value can stand unquoted in a CSV row.
QString cleanFieldText(const QString& text);
// The text enclosed in double quotes, as the assistants' quoted fields are written.
QString quoted(const QString& text);
// Tags removed (non-greedy, a tag never spans a line break), then closing tags exposed by that.
QString stripTags(const QString& text);
// The first href='...' value. Throws StepError when the marker or the closing apostrophe is missing.
QString extractHref(const QString& fragment);
// mode 0: the first href value; otherwise the first src value with ".jpg_sum.jpg" made ".jpg".
QString extractLinkOrPictureSum(const QString& fragment, int mode);
// mode 0: the first href value; otherwise the first src value with ".jpg_m.jpg" made ".jpg".
QString extractLinkOrPictureMedium(const QString& fragment, int mode);
// UTF-8 bytes up to the first zero byte, as text (invalid sequences become U+FFFD).
QString decodeUtf8(const QByteArray& bytes);
